#include "importer/ui/win32/main_window_menus.h"

#include <string>

namespace plumex::win32 {
namespace {

constexpr UINT kFirstMenuCommandId = 200;

using forms::MenuCommand;

bool AppendItems(HMENU menu, const forms::MenuLayout& layout) {
    for (const forms::MenuItemLayout& item : layout.items) {
        const BOOL appended = item.text.empty()
                                  ? AppendMenuA(menu, MF_SEPARATOR, 0, nullptr)
                                  : AppendMenuA(menu, MF_STRING, MenuCommandId(item.command),
                                                std::string(item.text).c_str());
        if (appended == FALSE) {
            return false;
        }
    }
    return true;
}

}  // namespace

UINT MenuCommandId(MenuCommand command) {
    return kFirstMenuCommandId + static_cast<UINT>(command);
}

MenuCommand MenuCommandFor(UINT id) {
    for (MenuCommand command :
         {MenuCommand::Import, MenuCommand::Exit, MenuCommand::Contents, MenuCommand::About}) {
        if (id == MenuCommandId(command)) {
            return command;
        }
    }
    return MenuCommand::None;
}

HMENU CreateMainMenuBar() {
    HMENU bar = CreateMenu();
    if (bar == nullptr) {
        return nullptr;
    }
    for (const forms::MenuLayout& layout : forms::kMainMenus) {
        HMENU menu = CreatePopupMenu();
        if (menu == nullptr || !AppendItems(menu, layout) ||
            AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu),
                        std::string(layout.text).c_str()) == FALSE) {
            if (menu != nullptr) {
                DestroyMenu(menu);
            }
            DestroyMenu(bar);
            return nullptr;
        }
    }
    return bar;
}

}  // namespace plumex::win32
