// Per-document data of the module: the host's data manager keeps one record
// per open drawing from module load to module unload. Host's main thread.
#pragma once

#include <windows.h>

#include <arxHeaders.h>

// The record kept per drawing; this program stores nothing in it.
class CDocData {};

// The module's one manager.
extern AcApDataManager<CDocData> gDocData;
