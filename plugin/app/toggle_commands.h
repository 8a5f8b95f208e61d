// The four toggle commands of group QXGroup, run by the host on its main
// thread.
#pragma once

void toggleRotationCenter();
void toggleRotationAxis();
void toggleScrollMode();
void toggleObjectMoveMode();
