// The module's commands, in the order they are registered: each is a command
// of group QXGroup under one name as its global and local name, run by the
// function beside it (toggle_commands.h). The module registers them from
// this table, and qxsim checks a scenario's command names against it before
// it loads the module. X(name, function) is called once per command.
#pragma once

#define QX_COMMANDS(X)                                 \
    X(QX_Toggle_Rotation_Center, toggleRotationCenter) \
    X(QX_Toggle_Rotation_Axis, toggleRotationAxis)     \
    X(QX_Toggle_Scroll_Mode, toggleScrollMode)         \
    X(QX_Toggle_Object_Move_Mode, toggleObjectMoveMode)
