// Per-document data manager: not built yet.
#pragma once
