#include "shell/procedures.h"

#include <map>
#include <mutex>

#include "runtime/codepage.h"
#include "runtime/message_box.h"
#include "runtime/proc_threads.h"

namespace kw::shell {

namespace {

struct Registry {
    std::mutex mu;
    std::map<std::string, Procedure, std::less<>> byName;
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

void setProcedure(std::string_view name, Procedure p) {
    Registry& r = registry();
    std::lock_guard lock(r.mu);
    if (p)
        r.byName[std::string(name)] = std::move(p);
    else if (auto it = r.byName.find(name); it != r.byName.end())
        r.byName.erase(it);
}

Procedure procedure(std::string_view name) {
    Registry& r = registry();
    std::lock_guard lock(r.mu);
    auto it = r.byName.find(name);
    return it == r.byName.end() ? Procedure() : it->second;
}

std::vector<std::string> procedureNames() {
    Registry& r = registry();
    std::lock_guard lock(r.mu);
    std::vector<std::string> out;
    for (const auto& [name, p] : r.byName) out.push_back(name);
    return out;
}

void clearProcedures() {
    Registry& r = registry();
    std::lock_guard lock(r.mu);
    r.byName.clear();
}

int startProcedure(Procedure p, std::size_t stackSize, std::string_view captionCp1251) {
    const int number = proc::start(std::move(p), stackSize);
    if (number == 0)
        msgbox::show(W("Не удалось открыть новое окно: открыто слишком много окон.|Закройте одно "
                       "из них и повторите."),
                     captionCp1251, msgbox::Icon::Exclamation, msgbox::Ok);
    return number;
}

}  // namespace kw::shell
