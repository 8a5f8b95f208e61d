// Commands not built yet; they do nothing.
#include "toggle_commands.h"

void toggleRotationCenter() {}
void toggleRotationAxis() {}
void toggleScrollMode() {}
void toggleObjectMoveMode() {}
