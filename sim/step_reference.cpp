// The step reference: a text for each form of the step table, with the
// ranges of its whole-number values taken from the table itself.

#include "step_reference.h"

#include <algorithm>
#include <vector>

#include "scenario_grammar.h"
#include "setting_keys.h"

namespace qxsim {
namespace {

struct StepHelp {
    std::string_view usage;  // as usageOf() writes the form
    std::string_view what;   // what it does and its values' units, lines of at most 76
    std::string_view example;
};

constexpr StepHelp kHelp[] = {
    {"daemon up|down",
     "The driver daemon is reachable (up) or gone (down). Gone, the module\n"
     "notices within 2000 ms, releases the cap and signs on again every 2000 ms.",
     "daemon down"},
    {"devices NAME...", "The devices the daemon lists, each name a word (quoted with blanks).",
     "devices \"Quorvex Cap\""},
    {"rotation CODE [zoomall on|off]",
     "The daemon's rotation setting changes and it tells the module. CODE's\n"
     "units digit: 0 turn about the view's target; 2 turned round, about the\n"
     "camera in a perspective view; 3 turned round, about the target; 4 as 2\n"
     "with level movement; 1 and the others about the world origin. A tens\n"
     "digit of 1 or more: no roll; a hundreds digit of 1 or more: level\n"
     "movement. zoomall on: each standard-view key zooms to the whole drawing\n"
     "after turning (without zoomall the switch stays as it was).",
     "rotation 10 zoomall on"},
    {"modes accept|refuse", "Whether the daemon accepts the module's mode reports.",
     "modes refuse"},
    {"cap TX TY TZ RX RY RZ",
     "The cap is deflected: TX right, TY forward (away from the user), TZ up,\n"
     "RX tilt, RY twist, RZ roll, in device units. It stays so until the next\n"
     "cap or release; while it is, the module takes a step once a frame (16 ms),\n"
     "dividing moves by the setting transSensBase (20000) and turns by\n"
     "rotSensBase (10000).",
     "cap 0 0 0 0 200 0"},
    {"release", "The cap at rest: the motion ends and the view is written back.", "release"},
    {"key KEY",
     "A device key is pressed. KEY is a name or the event code: front 0x20009,\n"
     "right 0x2000A, top 0x2000B, zoomall 0x2000C, back 0x20016, left 0x20017,\n"
     "bottom 0x20018 turn the model view to a standard view or zoom to the\n"
     "whole drawing; menu1 (0x20020), menu2 (0x20021), ... run the first,\n"
     "second, ... macro of the menu file's [MenuBar].",
     "key top"},
    {"wait MS", "Let the session run for MS milliseconds (virtual time unless --real-time).",
     "wait 500"},
    {"command NAME",
     "Run one of the module's commands (while it is loaded):\n"
     "QX_Toggle_Rotation_Center, QX_Toggle_Rotation_Axis, QX_Toggle_Scroll_Mode,\n"
     "QX_Toggle_Object_Move_Mode.",
     "command QX_Toggle_Rotation_Center"},
    {"space model|paper|layout-model",
     "The Model tab, a layout's paper space, or a model-space viewport of a\n"
     "layout.",
     "space paper"},
    {"nodocument", "Close the current drawing.", "nodocument"},
    {"nodocument N", "Close drawing N.", "nodocument 2"},
    {"document", "Open a drawing again when none is open.", "document"},
    {"document new",
     "Open a further, empty drawing and make it current. Drawings are numbered\n"
     "1, 2, ... in the order they were opened (Drawing1.dwg, ...); each has its\n"
     "own entities, selection, views and space, and the other steps act on the\n"
     "current one.",
     "document new"},
    {"document N", "Make drawing N current.", "document 1"},
    {"unload", "Unload the module now.", "unload"},
    {"load", "Load the module again.", "load"},
    {"setting KEY VALUE",
     "Set KEY in the profile's settings file to VALUE (quoted with blanks);\n"
     "only while the module is not loaded: it reads the file at load. The keys,\n"
     "their values and defaults are listed at the end.",
     "setting toggleRotationCenter off"},
    {"drawing sample",
     "Add the sample drawing: a 100 x 60 plate about the origin (entities\n"
     "0-3), a hole (4), a post 40 high on its centre (5) and the post's top (6),\n"
     "both on layer post.",
     "drawing sample"},
    {"line X1 Y1 Z1 X2 Y2 Z2 [layer L]",
     "Add a line from (X1, Y1, Z1) to (X2, Y2, Z2), in drawing units, on layer\n"
     "L (default 0).",
     "line 0 0 0 100 0 0"},
    {"circle CX CY CZ R [layer L]",
     "Add a circle about (CX, CY, CZ) with radius R above 0, parallel to the\n"
     "XY plane, in drawing units, on layer L (default 0).",
     "circle 50 0 0 10 layer holes"},
    {"layer L locked", "Lock layer L: object move mode leaves its entities where they are.",
     "layer holes locked"},
    {"view top|bottom|front|back|left|right|iso",
     "Turn the model view to look from that side at its target, at the same\n"
     "distance and field.",
     "view iso"},
    {"camera PX PY PZ TX TY TZ UX UY UZ W H parallel|perspective",
     "Set the model view: the camera at (PX, PY, PZ) looking at (TX, TY, TZ),\n"
     "(UX, UY, UZ) up, a field W x H above 0, in drawing units.",
     "camera 0 -200 50 0 0 0 0 0 1 200 150 perspective"},
    {"paperview CX CY VIEWHEIGHT WIDTH HEIGHT",
     "Set the active paper-space viewport: its view centred on (CX, CY) showing\n"
     "VIEWHEIGHT drawing units top to bottom, in a viewport WIDTH x HEIGHT on\n"
     "the sheet; each above 0.",
     "paperview 100 50 150 400 300"},
    {"select none", "Clear the pickfirst selection.", "select none"},
    {"select N...",
     "Select the current drawing's entities N... (numbered from 0 in the order\n"
     "they were added).",
     "select 4 5"},
    {"pointer X Y", "Move the mouse pointer to screen pixel (X, Y).", "pointer 1300 300"},
    {"window ID CLASS L T R B [parent ID] [hidden] [scroll MIN MAX PAGE POS]",
     "Add a window with a new ID above 0, of window class CLASS (a tree:\n"
     "SysTreeView32; a list: SysListView32, ListBox), at screen pixels L T R B;\n"
     "inside window ID, hidden, or with a scroll bar from MIN to MAX\n"
     "showing PAGE lines at POS.",
     "window 1 SysListView32 1200 100 1400 600 scroll 0 999 20 500"},
};

const StepHelp* helpOf(std::string_view usage) {
    for (const StepHelp& help : kHelp) {
        if (help.usage == usage) {
            return &help;
        }
    }
    return nullptr;
}

std::string whole(double value) {
    return std::to_string(static_cast<long long>(value));
}

// "TX TY TZ RX RY RZ: whole numbers -32768..32767": the whole-number values
// of a form, those of one range together, each label once.
std::string ranges(const StepDescription& desc) {
    std::vector<const ArgDescription*> args;
    for (const ArgDescription& arg : desc.args) {
        args.push_back(&arg);
    }
    for (const OptionDescription& option : desc.options) {
        for (const ArgDescription& arg : option.args) {
            args.push_back(&arg);
        }
    }
    std::string text;
    std::vector<bool> done(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        const ArgDescription& first = *args[i];
        if (done[i] || (first.type != ArgType::Integer && first.type != ArgType::Key)) {
            continue;
        }
        std::vector<std::string_view> labels;
        for (std::size_t j = i; j < args.size(); ++j) {
            const ArgDescription& arg = *args[j];
            if (arg.type == first.type && arg.lo == first.lo && arg.hi == first.hi) {
                done[j] = true;
                if (std::find(labels.begin(), labels.end(), arg.label) == labels.end()) {
                    labels.push_back(arg.label);
                }
            }
        }
        text += "   ";
        for (std::string_view label : labels) {
            text += " " + std::string(label);
        }
        // Key codes are checked against the daemon's event codes, not the grammar's range.
        const std::string range = whole(first.lo) + ".." + whole(first.hi);
        text += first.type == ArgType::Key ? std::string(": a name or a code 0x20001..0x2ffff")
                : labels.size() > 1        ? ": whole numbers " + range
                                           : ": a whole number " + range;
        text += "\n";
    }
    return text;
}

}  // namespace

std::string_view stepExample(std::string_view usage) {
    const StepHelp* help = helpOf(usage);
    return help == nullptr ? std::string_view() : help->example;
}

std::string stepReference() {
    std::string text =
        "A scenario is a text file of steps, one a line. '#' starts a comment; a\n"
        "word with blanks is written in \"double quotes\"; numbers are written as in\n"
        "C (0x20021, -5, 1e3). Steps before the first wait, command, load or\n"
        "unload set the world up; then the module is loaded.\n";
    for (const StepDescription& desc : stepDescriptions()) {
        const std::string usage = usageOf(desc);
        const StepHelp* help = helpOf(usage);
        text += "\n" + usage + "\n";
        if (help == nullptr) {
            continue;
        }
        std::string_view what = help->what;
        while (!what.empty()) {
            const std::size_t eol = what.find('\n');
            text += "    " + std::string(what.substr(0, eol)) + "\n";
            what = eol == std::string_view::npos ? std::string_view() : what.substr(eol + 1);
        }
        text += ranges(desc) + "    example: " + std::string(help->example) + "\n";
    }
    return text + settingsReference();
}

}  // namespace qxsim
