// The four toggle commands of group QXGroup, run by the host on its main
// thread: rotation centre, rotation axis, scroll mode and object move mode.
// Each flips its switch and prints the new state; without a navigation
// driver they do nothing.
#pragma once

void toggleRotationCenter();
void toggleRotationAxis();
void toggleScrollMode();
void toggleObjectMoveMode();
