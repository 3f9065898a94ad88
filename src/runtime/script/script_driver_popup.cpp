// WindowDriver: the popup menu of a window, as the user sees and answers it.
#include <string>

#include "runtime/script/script_driver.h"

namespace kw::script {

namespace {

std::string clip(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

std::vector<ui::PopupItem> WindowDriver::popupMenu() const {
    if (!w_) return {};
    std::lock_guard lock(ui::uiMutex());
    return w_->popup.up ? w_->popup.items : std::vector<ui::PopupItem>{};
}

Drive WindowDriver::answerPopup(int answer) {
    std::thread::id owner;
    uint64_t count = 0;
    {
        std::lock_guard lock(ui::uiMutex());
        if (!w_ || !w_->open) return Drive::Closed;
        if (!w_->popup.up || w_->popup.answer != 0) return Drive::NoControl;
        const auto& items = w_->popup.items;
        if (answer > 0) {
            if (answer > static_cast<int>(items.size())) return Drive::NoControl;
            const ui::PopupItem& it = items[static_cast<std::size_t>(answer - 1)];
            const bool opensSubmenu = it.depth == 0 &&
                                      static_cast<std::size_t>(answer) < items.size() &&
                                      items[static_cast<std::size_t>(answer)].depth > 0;
            if (it.text == "-" || opensSubmenu) return Drive::WrongKind;
            if (!it.enabled) return Drive::Disabled;
        }
        owner = w_->owner;
        count = ui::waitCountLocked(owner);
        w_->popup.answer = answer;
        ui::uiChanged().notify_all();
    }
    // The procedure leaves the menu, reacts, and begins to wait for the user again.
    std::unique_lock lock(ui::uiMutex());
    const bool done = ui::uiChanged().wait_for(lock, timeout(), [&] {
        return !w_->open || (ui::waitCountLocked(owner) > count && ui::isWaitingLocked(owner));
    });
    return done ? Drive::Ok : Drive::Timeout;
}

Drive WindowDriver::choosePopup(int item) {
    return item < 1 ? Drive::NoControl : answerPopup(item);
}

Drive WindowDriver::choosePopup(std::string_view label) {
    const std::vector<ui::PopupItem> items = popupMenu();
    const std::string want = clip(std::string(label));
    std::string parent;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string text = clip(ui::labelText(items[i].text));
        if (items[i].depth == 0) parent = text;
        const std::string full = items[i].depth == 0 ? text : parent + "/" + text;
        if (items[i].text != "-" && full == want) return answerPopup(static_cast<int>(i + 1));
    }
    return Drive::NoControl;
}

Drive WindowDriver::dismissPopup() {
    return answerPopup(-1);
}

}  // namespace kw::script
