// Steps of the desktop world: the mouse pointer and the windows under it, set
// up through the window-system stand-in's control header.

#include <string>

#include "win32_desktop_control.h"
#include "setup_steps.h"

namespace qxsim {

namespace {

// Scenario words are UTF-8; window classes are wide texts.
std::wstring utf8ToWide(const std::string& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : 3;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out += static_cast<wchar_t>(c);
        i += extra + 1;
    }
    return out;
}

bool addWindow(const Step& step, std::string& error) {
    win32sim::WindowDescription desc;
    desc.id = static_cast<int>(step.integer(0));
    desc.className = utf8ToWide(step.words.at(0));
    desc.rect = RECT{static_cast<LONG>(step.integer(1)), static_cast<LONG>(step.integer(2)),
                     static_cast<LONG>(step.integer(3)), static_cast<LONG>(step.integer(4))};
    if (desc.id <= 0) {
        error = "expected a window ID above 0, found " + std::to_string(desc.id);
        return false;
    }
    if (win32sim::windowHandle(desc.id) != nullptr) {
        error = "expected a new window ID, found " + std::to_string(desc.id) + " already in use";
        return false;
    }
    if (const StepOption* parent = step.option("parent")) {
        desc.parentId = static_cast<int>(parent->numbers.at(0));
        if (win32sim::windowHandle(desc.parentId) == nullptr) {
            error = "expected the ID of an existing parent window, found " +
                    std::to_string(desc.parentId);
            return false;
        }
    }
    desc.visible = step.option("hidden") == nullptr;
    if (const StepOption* scroll = step.option("scroll")) {
        const auto& n = scroll->numbers;
        if (n.at(2) < 0) {
            error = "expected a page size of 0 or more, found " +
                    std::to_string(static_cast<long long>(n.at(2)));
            return false;
        }
        desc.scroll = win32sim::ScrollBarDescription{
            static_cast<int>(n.at(0)), static_cast<int>(n.at(1)), static_cast<unsigned>(n.at(2)),
            static_cast<int>(n.at(3))};
    }
    if (win32sim::addWindow(desc) == nullptr) {
        error = "window " + std::to_string(desc.id) + " could not be added";
        return false;
    }
    return true;
}

}  // namespace

bool runDesktopStep(const Step& step, std::string& error) {
    switch (step.kind) {
        case StepKind::Pointer:
            win32sim::setCursorPos(static_cast<int>(step.integer(0)),
                                   static_cast<int>(step.integer(1)));
            return true;
        case StepKind::Window:
            return addWindow(step, error);
        default:
            error = "step '" + step.name + "' is no desktop step";
            return false;
    }
}

}  // namespace qxsim
