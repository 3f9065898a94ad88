#include "shell/user_rules.h"

#include "dictionary/sec.h"
#include "framework/data/dct_init.h"
#include "framework/data/file_manager.h"
#include "runtime/codepage.h"
#include "shell/sis.h"

namespace kw::shell {

namespace {

// Runs `read` over SEC and gives the thread's record and the file's position back
// afterwards. `read` answers whatever the rule needs.
template <class Read>
auto keepingPlace(Read read) {
    FileManager& sec = *Access::SEC;
    (void)sec.UseFile();  // a lazily opened file is opened now; a failure shows in `read`
    int16_t place = sec.SaveFile();
    auto answer = read(sec);
    sec.RestoreFile(place, 1);
    return answer;
}

// The code of the user found by key `key` from the values in the record, kNoUser when
// none.
int userBy(FileManager& sec, int key) {
    return sec.TryFetch(dict::secTable().keys[key]) == Level::Benign ? SEC.K_POL : kNoUser;
}

bool fullRights(int code) {
    return code > kRestrictedUpTo;
}

}  // namespace

std::string newPasswordProblem(const FixedString<10>& first, const FixedString<10>& again) {
    if (first.blank()) return W("Введите пароль");
    if (first.clip() != again.clip())
        return W("Пароль и его повтор не совпадают: введите оба еще раз");
    return {};
}

std::string passwordTakenProblem(const FixedString<10>& password, int self) {
    const int owner = keepingPlace([&](FileManager& sec) {
        SEC = dict::SecRecord{};
        SEC.PAROL = password;
        return userBy(sec, 1);
    });
    if (owner == kNoUser || owner == self) return {};
    return W("Такой пароль уже есть у другого пользователя: выберите другой");
}

std::string codeProblem(int code, int self) {
    if (code < 1 || code > 99) return W("Код пользователя - число от 1 до 99");
    if (code == self) return {};
    const int owner = keepingPlace([&](FileManager& sec) {
        SEC = dict::SecRecord{};
        SEC.K_POL = static_cast<uint8_t>(code);
        return userBy(sec, 0);
    });
    if (owner == kNoUser) return {};
    return W("Код ") + std::to_string(code) + W(" уже есть у другого пользователя");
}

std::string fullRightsProblem(int self, int code) {
    if (fullRights(code)) return {};
    const int others = keepingPlace([&](FileManager& sec) {
        int full = 0;
        if (!sec.File->set(0).ok()) return full;
        while (sec.TryNext() == Level::Benign)
            if (fullRights(SEC.K_POL) && SEC.K_POL != self) ++full;
        return full;
    });
    if (others > 0) return {};
    if (self == kNoUser) return W("Сначала добавьте пользователя с полными правами (код больше 5)");
    if (!fullRights(self)) return {};  // none had them before: nothing is taken away
    if (code == kNoUser) return W("Нельзя удалить последнего пользователя с полными правами");
    return W("Нельзя лишить полных прав последнего пользователя с полными правами");
}

bool passwordMatches(uint8_t code, const FixedString<10>& password) {
    return keepingPlace([&](FileManager& sec) {
        SEC = dict::SecRecord{};
        SEC.K_POL = code;
        // Any failure of the fetch, not only a missing record, counts as no match.
        return userBy(sec, 0) == code && SEC.PAROL.clip() == password.clip();
    });
}

}  // namespace kw::shell
