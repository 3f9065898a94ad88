// File: the shared part, the per-thread states and the public operations, which run
// on the calling thread's state and report their result as its last error.
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "runtime/codepage.h"
#include "runtime/last_error.h"
#include "storage/byte_order.h"
#include "storage/cipher.h"
#include "storage/file_impl.h"

namespace kw::storage {

namespace {

std::atomic<uint64_t> g_nextId{1};

// Removes the thread's states from every File it used when the thread ends, which
// closes its files and drops its locks and holds.
struct ThreadStates {
    std::vector<std::weak_ptr<File::Shared>> used;
    uint64_t lastId = 0;
    File::State* last = nullptr;
    ~ThreadStates() {
        for (auto& w : used) {
            if (auto sh = w.lock()) {
                std::unique_ptr<File::State> mine;
                {
                    std::lock_guard<std::mutex> g(sh->mutex);
                    auto it = sh->states.find(std::this_thread::get_id());
                    if (it != sh->states.end()) {
                        mine = std::move(it->second);
                        sh->states.erase(it);
                    }
                }
            }
        }
    }
};
thread_local ThreadStates t_states;

}  // namespace

// The folder named, and what desks on several machines use instead.
std::string networkFolderText(const std::string& dir) {
    std::error_code ec;
    const std::string shown = std::filesystem::absolute(dir, ec).lexically_normal().string();
    return W("Папка данных ") + (ec ? dir : shown) +
           W(" лежит в сетевой папке или подключённой файловой системе (NFS, SMB, FUSE и "
             "подобных). "
             "Файлы данных в такой папке не открываются: через общую папку кассы портят друг другу "
             "данные. Несколько компьютеров работают с одними данными через сервер базы данных; "
             "на одном компьютере держите данные на его собственном диске.");
}

// The key file named, and the command that makes it again.
std::string badKeyText(const std::string& base, int key) {
    return std::string(errorText(kInvalidKeyFile)) + W(": файл ключа ") + base +
           File::keyExtension(key) +
           W(" не подходит к таблице; ключи заново строит команда kestrowd-file build ") + base +
           ".DAT";
}

// The damaged file named, and the command that saves its records.
std::string damagedText(const std::string& dataPath) {
    return std::string(errorText(kInvalidDataFile)) + W(": файл ") + dataPath +
           W(" повреждён; уцелевшие записи сохранит команда kestrowd-file salvage ") + dataPath;
}

Status finish(File::State& s, Status st) {
    s.last = st;
    if (!st.ok()) {
        std::string said =
            s.server && st.code == kFileSystemError ? s.server->message() : std::string();
        if (!said.empty())
            last_error::setDriver(std::to_string(st.code), said);
        else if (st.code == kFileSystemError && st.sysError == EREMOTE)
            last_error::setDriver(std::to_string(st.sysError),
                                  networkFolderText(directoryOf(s.sh->base)));
        else if (st.code == kFileSystemError && st.sysError != 0)
            last_error::setDriver(std::to_string(st.sysError), std::strerror(st.sysError));
        else if (st.code == kInvalidDataFile && s.damagedData)
            last_error::set(st.code, damagedText(s.sh->base + ".DAT"));
        else if (st.code == kInvalidKeyFile && st.fileIndex >= 1)
            last_error::set(st.code, badKeyText(s.sh->base, st.fileIndex));
        else
            last_error::set(st.code, errorText(st.code));
    } else if (last_error::code() != 0) {
        last_error::clear();
    }
    return st;
}

namespace {

std::string base36(int n) {
    const char* d = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string s(2, '0');
    s[0] = d[(n / 36) % 36];
    s[1] = d[n % 36];
    return s;
}

// The key files: one per declared key (".K01"...), then one per partial key, named after
// the key it keeps a part of (".P01" for a part of key 1). A partial key that names no
// key or no BYTE field makes the declaration invalid.
void describeKeyFiles(File::Shared& sh) {
    const TableDecl& decl = sh.decl;
    if (!sh.layoutStatus.ok()) return;
    for (std::size_t k = 0; k < decl.keys.size(); ++k)
        sh.keyFileDescs.push_back({File::keyExtension(static_cast<int>(k + 1)),
                                   sh.layout.keys[k].length, sh.layout.keys[k].flags});
    for (const PartialKeyDecl& p : decl.partialKeys) {
        if (p.key < 1 || p.key > static_cast<int>(decl.keys.size()) || p.field < 1 ||
            p.field > static_cast<int>(decl.fields.size()) ||
            decl.field(p.field).type != FieldType::Byte) {
            sh.layoutStatus = Status::error(kInvalidRecordDeclaration);
            return;
        }
        const File::Shared::KeyFileDesc& of = sh.keyFileDescs[static_cast<std::size_t>(p.key - 1)];
        sh.keyFileDescs.push_back({".P" + base36(p.key), of.length, of.flags});
        sh.keys.emplace_back(decl, p);
    }
}

}  // namespace

Transaction& threadTransaction() {
    thread_local Transaction t;
    return t;
}

File::File(const TableDecl& decl, FileOptions options) : shared_(std::make_shared<Shared>()) {
    Shared& sh = *shared_;
    sh.decl = decl;
    sh.fs = options.fs ? options.fs : &posixFileSystem();
    std::string dir = options.directory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    sh.base = dir + (options.name.empty() ? decl.diskName : options.name);
    sh.layoutStatus = layoutFor(decl, sh.layout);
    for (const auto& k : decl.keys) sh.keys.emplace_back(decl, k);
    describeKeyFiles(sh);
    sh.strings = decl.oem ? StringFields(decl) : StringFields();
    sh.owned = !decl.owner.empty();
    sh.cipherKey = sh.owned ? cipher::deriveKey(decl.owner) : 0;
    sh.id = g_nextId++;
}

File::~File() {
    if (FileCallback* cb = shared_->callback.exchange(nullptr))
        cb->FunctionCalled(FileFunction::Release);
    std::unordered_map<std::thread::id, std::unique_ptr<State>> states;
    {
        std::lock_guard<std::mutex> g(shared_->mutex);
        states.swap(shared_->states);
    }
    if (t_states.lastId == shared_->id) {
        t_states.lastId = 0;
        t_states.last = nullptr;
    }
}

File::State& File::state() {
    if (t_states.lastId == shared_->id && t_states.last) return *t_states.last;
    State* s;
    {
        std::lock_guard<std::mutex> g(shared_->mutex);
        auto& p = shared_->states[std::this_thread::get_id()];
        if (!p) {
            p = std::make_unique<State>(shared_);
            t_states.used.push_back(shared_);
        }
        s = p.get();
    }
    t_states.lastId = shared_->id;
    t_states.last = s;
    return *s;
}

const TableDecl& File::decl() const {
    return shared_->decl;
}
std::string File::dataPath() const {
    return shared_->base + ".DAT";
}
std::string File::keyPath(int key) const {
    if (key >= 1 && key <= static_cast<int>(shared_->keyFileDescs.size()))
        return shared_->base + shared_->keyFileDescs[static_cast<std::size_t>(key - 1)].extension;
    return shared_->base + keyExtension(key);
}
std::string File::logPath() const {
    return shared_->base + ".LOG";
}
std::string File::tempPath() const {
    return shared_->base + ".T00";
}
std::string File::keyExtension(int key) {
    return ".K" + base36(key);
}

uint8_t* File::buffer() {
    return state().buffer();
}

Status File::create() {
    return called(FileFunction::Create, [&] {
        State& s = state();
        if (Driver* d = chooseDriver(s)) return finish(s, d->create());
        return finish(s, s.create());
    });
}
Status File::open(int mode) {
    return called(FileFunction::Open, [&] {
        State& s = state();
        if (Driver* d = chooseDriver(s)) return finish(s, d->open(mode));
        return finish(s, s.openFiles(mode, false));
    });
}
Status File::close() {
    return called(FileFunction::Close, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->close());
        return finish(s, s.close());
    });
}
bool File::isOpen() {
    State& s = state();
    return s.server ? s.server->isOpen() : s.open;
}

Status File::set(int key) {
    return called(FileFunction::Position, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->set(key));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        if (key < 0 || key > static_cast<int>(shared_->keys.size()))
            return finish(s, Status::error(kEntryNotFound));
        s.order = key;
        s.pos = Position{};
        s.atEof = s.atBof = false;
        return finish(s, Status::okay());
    });
}

Status File::setFromBuffer(int key) {
    return called(FileFunction::Position, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->setFromBuffer(key));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        if (key < 1 || key > static_cast<int>(shared_->keys.size()))
            return finish(s, Status::error(kEntryNotFound));
        const KeyShape& k = shared_->keys[static_cast<std::size_t>(key - 1)];
        s.order = key;
        s.pos = Position{};
        s.pos.kind = Position::Key;
        s.pos.value.assign(k.length, 0);
        k.value(s.buffer(), s.pos.value.data());
        s.pos.forward = 0;
        s.pos.backward = UINT32_MAX;
        s.atEof = s.atBof = false;
        return finish(s, Status::okay());
    });
}

Status File::setRecord(uint32_t record) {
    return called(FileFunction::Position, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->setRecord(record));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        s.order = 0;
        s.pos = Position{};
        s.pos.kind = Position::Record;
        s.pos.forward = record;
        s.pos.backward = record;
        s.atEof = s.atBof = false;
        return finish(s, Status::okay());
    });
}

Status File::next(bool hold) {
    return called(FileFunction::Read, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->next(hold));
        return finish(s, s.step(true, hold));
    });
}
Status File::previous(bool hold) {
    return called(FileFunction::Read, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->previous(hold));
        return finish(s, s.step(false, hold));
    });
}
bool File::eof() {
    State& s = state();
    return s.server ? s.server->eof() : s.atEof;
}
bool File::bof() {
    State& s = state();
    return s.server ? s.server->bof() : s.atBof;
}

Status File::get(int key, bool hold) {
    return called(FileFunction::Read, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->get(key, hold));
        return finish(s, s.getByKey(key, hold));
    });
}
Status File::getRecord(uint32_t record, bool hold) {
    return called(FileFunction::Read, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->getRecord(record, hold));
        return finish(s, s.getByRecord(record, hold));
    });
}

Status File::records(uint32_t& count) {
    return called(FileFunction::Read, [&] {
        State& s = state();
        count = 0;
        if (s.server) return finish(s, s.server->records(count));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        Status st = s.readStable([&] {
            count = s.header.records >= s.header.deleted ? s.header.records - s.header.deleted : 0;
            return Status::okay();
        });
        return finish(s, st);
    });
}

uint32_t File::currentRecord() {
    State& s = state();
    return s.server ? s.server->currentRecord() : s.current;
}

Status File::add() {
    return called(FileFunction::Write, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->add());
        return finish(s, s.add());
    });
}
Status File::put() {
    return called(FileFunction::Write, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->put());
        return finish(s, s.put());
    });
}
Status File::remove() {
    return called(FileFunction::Write, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->remove());
        return finish(s, s.remove());
    });
}

Status File::hold() {
    return called(FileFunction::Lock, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->hold());
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        if (s.current == 0) return finish(s, Status::error(kRecordNotAvailable));
        return finish(s, s.takeHold(s.current));
    });
}

Status File::release() {
    return called(FileFunction::Lock, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->release());
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        s.dropHold();
        return finish(s, Status::okay());
    });
}

Status File::build(std::vector<std::string>* notes) {
    return called(FileFunction::Build, [&] {
        State& s = state();
        if (Driver* d = chooseDriver(s)) return finish(s, maintainOnServer(*d));
        s.notes.clear();
        Status st = s.build();
        if (notes) *notes = s.notes;
        return finish(s, st);
    });
}
Status File::pack(std::vector<std::string>* notes) {
    return called(FileFunction::Build, [&] {
        State& s = state();
        if (Driver* d = chooseDriver(s)) return finish(s, maintainOnServer(*d));
        s.notes.clear();
        Status st = s.pack();
        if (notes) *notes = s.notes;
        return finish(s, st);
    });
}

Status File::salvage(Salvaged& result) {
    return called(FileFunction::Build, [&] {
        State& s = state();
        return finish(s, s.salvage(result));
    });
}

Status File::duplicate(int key, bool& taken) {
    return called(FileFunction::Read, [&] {
        State& s = state();
        taken = false;
        if (s.server) return finish(s, s.server->duplicate(key, taken));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        if (key < 1 || key > static_cast<int>(shared_->keys.size()))
            return finish(s, Status::error(kEntryNotFound));
        const KeyShape& k = shared_->keys[static_cast<std::size_t>(key - 1)];
        if (k.omitted(s.buffer())) return finish(s, Status::okay());
        std::vector<uint8_t> v(k.length);
        k.value(s.buffer(), v.data());
        Status st = s.readStable([&] {
            return s.trees[static_cast<std::size_t>(key - 1)].findValue(v.data(), s.current, taken);
        });
        return finish(s, st);
    });
}

std::string File::position(int key) {
    State& s = state();
    if (s.server) return s.server->position(key);
    std::string p;
    uint8_t n[4] = {static_cast<uint8_t>(s.current), static_cast<uint8_t>(s.current >> 8),
                    static_cast<uint8_t>(s.current >> 16), static_cast<uint8_t>(s.current >> 24)};
    if (key >= 1 && key <= static_cast<int>(shared_->keys.size()) && !s.readCopy.empty()) {
        const KeyShape& k = shared_->keys[static_cast<std::size_t>(key - 1)];
        std::vector<uint8_t> rec(shared_->decl.recordSize);
        std::vector<uint8_t> slotBytes(kSlotPrefix + rec.size());
        std::memcpy(slotBytes.data() + kSlotPrefix, s.readCopy.data(), rec.size());
        s.decodeRecord(slotBytes.data(), rec.data());
        std::vector<uint8_t> v(k.length);
        k.value(rec.data(), v.data());
        p.assign(v.begin(), v.end());
    }
    p.append(reinterpret_cast<const char*>(n), 4);
    return p;
}

Status File::reset(int key, const std::string& position) {
    return called(FileFunction::Position, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->reset(key, position));
        if (!s.open) return finish(s, Status::error(kFileNotOpen));
        if (position.size() < 4 || key < 0 || key > static_cast<int>(shared_->keys.size()))
            return finish(s, Status::error(kRecordNotFound));
        const auto* b = reinterpret_cast<const uint8_t*>(position.data() + position.size() - 4);
        const uint32_t rec = le::get32(b);
        s.atEof = s.atBof = false;
        s.order = key;
        s.pos = Position{};
        if (key == 0) {
            s.pos.kind = Position::Record;
            s.pos.forward = s.pos.backward = rec;
            return finish(s, Status::okay());
        }
        const KeyShape& k = shared_->keys[static_cast<std::size_t>(key - 1)];
        if (position.size() != k.length + 4u) return finish(s, Status::error(kRecordNotFound));
        s.pos.kind = Position::Key;
        s.pos.value.assign(position.begin(), position.end() - 4);
        s.pos.forward = s.pos.backward = rec;
        return finish(s, Status::okay());
    });
}

Status File::reget(int key, const std::string& position) {
    return called(FileFunction::Read, [&] {
        State& s = state();
        if (s.server) return finish(s, s.server->reget(key, position));
        if (position.size() < 4) return finish(s, Status::error(kRecordNotFound));
        (void)key;
        const auto* b = reinterpret_cast<const uint8_t*>(position.data() + position.size() - 4);
        const uint32_t rec = le::get32(b);
        return finish(s, s.getByRecord(rec, false));
    });
}

int File::saveState() {
    State& s = state();
    if (s.server) return s.server->saveState();
    int h = s.saved.empty() ? 1 : s.saved.rbegin()->first + 1;
    s.saved[h] = Snapshot{s.order, s.pos, s.current, s.readCopy, s.atEof, s.atBof};
    return h;
}

Status File::restoreState(int handle) {
    State& s = state();
    if (s.server) return finish(s, s.server->restoreState(handle));
    auto it = s.saved.find(handle);
    if (it == s.saved.end()) return finish(s, Status::error(kEntryNotFound));
    const Snapshot& snap = it->second;
    s.order = snap.order;
    s.pos = snap.pos;
    s.current = snap.current;
    s.readCopy = snap.readCopy;
    s.atEof = snap.eof;
    s.atBof = snap.bof;
    return finish(s, Status::okay());
}

void File::freeState(int handle) {
    State& s = state();
    if (s.server) return s.server->freeState(handle);
    s.saved.erase(handle);
}

void File::setDurable(bool on) {
    State& s = state();
    if (s.durable == on) return;
    s.durable = on;
    if (s.server) return s.server->setDurable(on);
    if (on && s.bulk) (void)finish(s, s.leaveBulk());
}
bool File::durable() {
    return state().durable;
}

Status File::lastStatus() {
    return state().last;
}

void File::setCallback(FileCallback* callback) {
    shared_->callback.store(callback, std::memory_order_release);
}
FileCallback* File::callback() const {
    return shared_->callback.load(std::memory_order_acquire);
}

}  // namespace kw::storage
