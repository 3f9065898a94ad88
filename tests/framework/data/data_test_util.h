// Helpers of the file- and relation-manager tests: a temporary data directory that the
// test works in, the scripted message boxes, a recording halt handler, small test
// tables with their managers, and another station (a thread or a child process).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "framework/data/file_manager.h"
#include "framework/data/files_manager.h"
#include "framework/data/relation_manager.h"
#include "runtime/assertion.h"
#include "runtime/fixed_string.h"
#include "runtime/halt.h"
#include "runtime/last_error.h"
#include "runtime/proc_thread.h"
#include "runtime/script/script_message_box.h"
#include "storage/file.h"

namespace kw::testing {

// --- test tables ---------------------------------------------------------------------

#pragma pack(push, 1)
struct ParRecord {  // PAR: a parent
    int32_t ID = 0;
    FixedString<20> NAME;
};
struct ChiRecord {  // CHI: children of PAR by PID
    int32_t PID = 0;
    int32_t NO = 0;
    FixedString<10> TXT;
};
struct GchRecord {  // GCH: children of CHI by CNO
    int32_t CNO = 0;
    int32_t NO = 0;
};
struct AitRecord {  // AIT: numbered automatically by ID
    int32_t ID = 0;
    FixedString<12> NAME;
};
struct AigRecord {  // AIG: numbered by NO within GRP
    int16_t GRP = 0;
    int32_t NO = 0;
};
#pragma pack(pop)

inline thread_local ParRecord PAR;
inline thread_local ChiRecord CHI;
inline thread_local GchRecord GCH;
inline thread_local AitRecord AIT;
inline thread_local AigRecord AIG;

inline storage::FieldDecl fieldDecl(const char* name, storage::FieldType type, std::size_t offset,
                                    std::size_t size) {
    storage::FieldDecl f;
    f.name = name;
    f.type = type;
    f.offset = static_cast<uint16_t>(offset);
    f.size = static_cast<uint16_t>(size);
    return f;
}

inline storage::KeyDecl keyDecl(const char* name, const char* description,
                                std::vector<int> components, bool dup) {
    storage::KeyDecl k;
    k.name = name;
    k.description = description;
    k.components = std::move(components);
    k.dup = dup;
    return k;
}

inline storage::TableDecl tableDecl(const char* label, const char* messageName, std::size_t size,
                                    void* (*buffer)()) {
    storage::TableDecl t;
    t.label = label;
    t.diskName = label;
    t.messageName = messageName;
    t.recordSize = size;
    t.buffer = buffer;
    return t;
}

using FT = storage::FieldType;

inline const storage::TableDecl& parTable() {
    static const storage::TableDecl t = [] {
        auto t =
            tableDecl("PAR", "par", sizeof(ParRecord), [] { return static_cast<void*>(&PAR); });
        t.fields = {fieldDecl("ID", FT::Long, 0, 4), fieldDecl("NAME", FT::String, 4, 20)};
        t.keys = {keyDecl("KEY_ID", "PAR:key_id", {1}, false)};
        return t;
    }();
    return t;
}

inline const storage::TableDecl& chiTable() {
    static const storage::TableDecl t = [] {
        auto t =
            tableDecl("CHI", "chi", sizeof(ChiRecord), [] { return static_cast<void*>(&CHI); });
        t.fields = {fieldDecl("PID", FT::Long, 0, 4), fieldDecl("NO", FT::Long, 4, 4),
                    fieldDecl("TXT", FT::String, 8, 10)};
        t.keys = {keyDecl("KEY_PID", "CHI:key_pid", {1, 2}, false),
                  keyDecl("KEY_NO", "CHI:key_no", {2}, false)};
        return t;
    }();
    return t;
}

inline const storage::TableDecl& gchTable() {
    static const storage::TableDecl t = [] {
        auto t =
            tableDecl("GCH", "gch", sizeof(GchRecord), [] { return static_cast<void*>(&GCH); });
        t.fields = {fieldDecl("CNO", FT::Long, 0, 4), fieldDecl("NO", FT::Long, 4, 4)};
        t.keys = {keyDecl("KEY_CNO", "GCH:key_cno", {1, 2}, false)};
        return t;
    }();
    return t;
}

inline const storage::TableDecl& aitTable() {
    static const storage::TableDecl t = [] {
        auto t =
            tableDecl("AIT", "ait", sizeof(AitRecord), [] { return static_cast<void*>(&AIT); });
        t.fields = {fieldDecl("ID", FT::Long, 0, 4), fieldDecl("NAME", FT::String, 4, 12)};
        t.keys = {keyDecl("KEY_ID", "AIT:key_id", {1}, false),
                  keyDecl("KEY_NAME", "AIT:key_name", {2}, false)};
        return t;
    }();
    return t;
}

inline const storage::TableDecl& aigTable() {
    static const storage::TableDecl t = [] {
        auto t =
            tableDecl("AIG", "aig", sizeof(AigRecord), [] { return static_cast<void*>(&AIG); });
        t.fields = {fieldDecl("GRP", FT::Short, 0, 2), fieldDecl("NO", FT::Long, 2, 4)};
        t.keys = {keyDecl("KEY_GN", "AIG:key_gn", {1, 2}, false)};
        return t;
    }();
    return t;
}

// A test table with its FILE, access object and relate object, set up as the
// dictionary sets up its own (message name, create flag, lock-recover time, every key
// registered; `autoIncKey` names a key registered with auto-increment, -1 none).
class TestTable {
  public:
    explicit TestTable(const storage::TableDecl& decl, int autoIncKey = -1,
                       storage::FileOptions options = {})
        : file(decl, std::move(options)) {
        fm.Init(file, GlobalErrors);
        fm.FileNameValue = decl.messageName;
        fm.Create = 1;
        fm.LockRecover = 10;
        for (std::size_t k = 0; k < decl.keys.size(); ++k)
            fm.AddKey(decl.keys[k], decl.keys[k].description,
                      static_cast<int>(k) == autoIncKey ? 1 : 0);
        rm.Init(fm, 1);
    }
    ~TestTable() {
        rm.Kill();
        fm.Kill();
    }
    const storage::KeyDecl& key(std::size_t n) const { return file.decl().keys.at(n); }
    // Records of the table, read by a separate driver state (a thread of its own).
    uint32_t records();

    storage::File file;
    FileManager fm;
    RelationManager rm;
};

// Runs `body` on a thread of its own as procedure thread `number` and waits for it.
inline void onThread(int number, const std::function<void()>& body) {
    std::thread t([&] {
        proc::setCurrentThread(number);
        body();
    });
    t.join();
}

inline uint32_t TestTable::records() {
    uint32_t n = 0;
    onThread(60, [&] {
        storage::File f(file.decl());
        if (f.open(storage::kAccessRead | storage::kDenyNone).ok()) (void)f.records(n);
        (void)f.close();
    });
    return n;
}

// --- the working directory and the services ---------------------------------------------

class DataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        assertion::clearReports();
        last_error::clear();
        GlobalErrors.Init();
        std::string tmpl = (std::filesystem::temp_directory_path() / "kwdataXXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        GlobalErrors.Kill();
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
    bool dirEmpty() const { return std::filesystem::is_empty(dir_); }

    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const auto& b : boxes.shown()) out.push_back(b.caption);
        return out;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& b : boxes.shown()) out.push_back(b.text);
        return out;
    }
    std::vector<std::string> assertionTexts() const {
        std::vector<std::string> out;
        for (const auto& r : assertion::reports()) out.push_back(r.text);
        return out;
    }

    std::filesystem::path dir_, old_;
    script::ScriptMessageBox boxes;
    msgbox::ScopedBackend scoped{boxes};
    HaltRecorder halts;
};

// The dictionary's managers set up for the test (DctInit) and torn down after it.
class DictTest : public DataTest {
  protected:
    void SetUp() override {
        DataTest::SetUp();
        DctInit();
    }
    void TearDown() override {
        DctKill();
        DataTest::TearDown();
    }
};

// --- another station ---------------------------------------------------------------------

// A child process that opens the table's file in the current directory with `mode`
// and keeps it open until the object goes. code() is the child's open result.
class OtherProcess {
  public:
    OtherProcess(const storage::TableDecl& decl, int mode) {
        int up[2], down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(up[0]);
            ::close(down[1]);
            storage::File f(decl);
            const storage::Status st = f.open(mode);
            const char code = static_cast<char>(st.code);
            (void)!::write(up[1], &code, 1);
            char go;
            (void)!::read(down[0], &go, 1);
            ::_exit(0);
        }
        ::close(up[1]);
        ::close(down[0]);
        toChild_ = down[1];
        char code = -1;
        if (::read(up[0], &code, 1) == 1) code_ = code;
        ::close(up[0]);
    }
    ~OtherProcess() {
        if (pid_ <= 0) return;
        const char go = 1;
        (void)!::write(toChild_, &go, 1);
        ::close(toChild_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;
    int code() const { return code_; }

  private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int code_ = -1;
};

// A thread that acts as another station: runs `setup` on its own driver state, then
// holds on until released, then runs `teardown`.
class OtherStation {
  public:
    OtherStation(std::function<void()> setup, std::function<void()> teardown = {})
        : thread_([this, setup = std::move(setup), teardown = std::move(teardown)] {
              proc::setCurrentThread(61);
              setup();
              ready_.set_value();
              release_.get_future().wait();
              if (teardown) teardown();
          }) {
        ready_.get_future().wait();
    }
    ~OtherStation() {
        release_.set_value();
        thread_.join();
    }
    OtherStation(const OtherStation&) = delete;
    OtherStation& operator=(const OtherStation&) = delete;

  private:
    std::promise<void> ready_, release_;
    std::thread thread_;
};

}  // namespace kw::testing
