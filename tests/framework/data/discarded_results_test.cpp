// Results are not thrown away on the data paths: every "(void)" in front of a call in
// the storage driver and the framework's file and relation managers (a discarded
// Status or result level) is listed here with the reason it may be discarded. A new
// one fails this test until it is handled, or listed with its reason.
//
// Lines are matched by their text (without the blanks around it), not their number,
// with the number of times the text may occur in the file. "(void)name;" (an unused
// parameter) is not a discarded result.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <utility>

namespace {

struct Allowed {
    const char* file;  // under src/
    const char* line;
    int times;
    const char* reason;
};

const Allowed kAllowed[] = {
    {"framework/data/backup.cpp", "(void)fs.close(in);  // read only", 1,
     "a copy written by the server's read, read back for its digest: closing it can lose nothing"},
    {"framework/data/backup_server.cpp",
     "(void)File::rollback();  // read only: nothing to keep or to lose", 1,
     "the end of the read-only frame over the server's tables, which wrote nothing"},
    {"framework/data/backup_server.cpp", "for (auto& f : open) (void)f->close();  // read only", 1,
     "the server's tables, opened for reading only"},
    {"framework/data/backup.cpp", "(void)f.close();  // read only", 1,
     "the copy was opened for reading only: closing it can lose nothing"},
    {"framework/data/backup.cpp", "(void)fs.close(h);  // read only", 1,
     "a file of the backup read for its digest: closing it can lose nothing"},
    {"framework/data/backup.cpp", "if (c.out != storage::kNoHandle) (void)fs.close(c.out);", 1,
     "a copy given up after a failure that is reported; the backup folder goes with it"},
    {"framework/data/backup.cpp",
     "if (in != storage::kNoHandle) (void)fs.close(in);  // read only: nothing to lose", 1,
     "the source of a copy, open for reading only"},
    {"framework/data/backup.cpp", "(void)fs.unlink(tmp);", 1,
     "a half-restored file is taken away after the failure that is reported; a leftover only has a "
     "~ name"},
    {"framework/data/backup.cpp", "(void)readManifest(folder, m);  // verified just above", 1,
     "the manifest was read and checked by verify() a moment before"},
    {"framework/data/backup.cpp", "for (auto& f : files) (void)f->close();", 1,
     "the tables were only held by an empty frame; closing them releases their locks whatever it "
     "answers"},
    {"framework/data/backup.cpp", "if (framed) (void)File::rollback();", 1,
     "the frame changed nothing: its end only releases the writers' locks, which the closes "
     "release too"},
    {"storage/postgres/pg_connection.cpp",
     "(void)exec(\"ROLLBACK\");  // the statement's error is the one to report", 1,
     "the transaction is ended after a failed statement; that statement's error is reported"},
    {"storage/file.cpp", "if (on && s.bulk) (void)finish(s, s.leaveBulk());", 1,
     "setDurable() has no result: leaving bulk mode records its status as the thread's last error"},
    {"storage/file_control.cpp",
     "if (!files.empty()) (void)finish(files[0]->state(), Status::okay());", 1,
     "finish() only records the status as the thread's last error and hands it back"},
    {"storage/file_control.cpp", "(void)finish(s, Status::okay());", 2,
     "finish() only records the status as the thread's last error and hands it back"},
    {"storage/file_control.cpp", "(void)finish(s, Status::error(kFileNotOpen));", 1,
     "finish() only records the status as the thread's last error; the caller returns it itself"},
    {"storage/file_control.cpp", "(void)finish(s, Status::error(kRecordNotAvailable));", 1,
     "finish() only records the status as the thread's last error; the caller returns it itself"},
    {"storage/file_control.cpp", "(void)finish(s, st);", 2,
     "finish() only records the status as the thread's last error; the caller returns it itself"},
    {"storage/file_control.cpp",
     "if (st.ok() && decision.empty() && s.frameMarked) (void)s.log.writeFrame(0);", 1,
     "the commit or abort record is written: a mark left makes the next writer read the journal "
     "again, which finds the transaction closed and changes nothing"},
    {"storage/frame_commit.cpp",
     "if (allClosed && coordinator.frameMarked) (void)coordinator.log.writeFrame(0);", 1,
     "every table has its commit: a mark left makes the next writer read the journal again, "
     "which finds nothing open"},
    {"storage/file_control.cpp", "(void)b->rollback();", 1,
     "a server transaction that a table could not join is ended at once; the join's failure is the "
     "one reported"},
    {"storage/postgres/pg_driver.cpp", "(void)session_.run(", 1,
     "folding a table's count rows into one only saves later reads: rows left unfolded still "
     "add up to the exact count"},
    {"storage/postgres/pg_driver.cpp",
     "(void)session_.exec(on ? \"SET synchronous_commit = on\" : \"SET synchronous_commit = "
     "off\");",
     1,
     "setDurable() has no result; a server that refuses the switch keeps its own, durable, "
     "commits"},
    {"storage/postgres/pg_driver_write.cpp", "(void)session_.exec(\"SELECT \" + unlocks);", 1,
     "an unlock fails only with a broken link, which gave the lock back with the session"},
    {"storage/postgres/pg_driver.cpp",
     "if (open_ && owner_ == std::this_thread::get_id() && !threadSessionsGone()) (void)close();",
     1,
     "a table destroyed open has no caller to tell; what its close fails to give back goes with "
     "the link"},
    {"storage/postgres/pg_session.cpp", "(void)connection.exec(\"SET lock_timeout = '10s'\");", 1,
     "a server that refuses the setting makes writers wait for its own lock timeout instead"},
    {"storage/file_control.cpp", "(void)finish(s, Status::error(kUnsupportedFunction));", 1,
     "finish() only records the status as the thread's last error; the caller returns it itself"},
    {"storage/file_create.cpp",
     "for (std::size_t i = placed; i < names.size(); ++i) (void)fs.unlink(names[i].first);", 1,
     "clean-up of a create that already failed: leftover temporary files are written over by the "
     "next create"},
    {"storage/file_create.cpp", "(void)fs.syncDirectory(dir);", 1,
     "clean-up after a failed create: the temporary names left are harmless"},
    {"storage/file_create.cpp", "if (removable) (void)fs.unlink(turnPath);", 1,
     "the creators' turn file is empty and may be left behind (any create removes or reuses it)"},
    {"storage/file_guard.cpp", "(void)release();", 3,
     "the two guards' destructors cannot report (release() is called explicitly where the answer "
     "matters) and move assignment gives up the old lock; a lock dies with its open anyway"},
    {"storage/file_maintenance.cpp", "(void)sh->fs->write(bh, report.data(), report.size(), 0);", 1,
     "the .BLD list of duplicates is a report for the user beside the build's own result"},
    {"storage/file_maintenance.cpp", "(void)headerChange(changes);", 1,
     "headerChange() only encodes the header in memory and cannot fail"},
    {"storage/file_maintenance.cpp", "if (!wasOpen) (void)close();", 2,
     "closing after the operation's own result is decided; that result is what the caller gets"},
    {"storage/file_maintenance.cpp", "(void)headerChange(hc);", 1,
     "headerChange() only encodes the header in memory and cannot fail"},
    {"storage/file_maintenance.cpp",
     "(void)lockWait(lockat::kWrite, LockKind::Exclusive, recoverSeconds);", 1,
     "pack holds the table alone (exclusive access): no other open can hold this lock"},
    {"storage/file_maintenance.cpp",
     "(void)lockWait(lockat::kOp, LockKind::Exclusive, recoverSeconds);", 1,
     "pack holds the table alone (exclusive access): no other open can hold this lock"},
    {"storage/file_open.cpp", "if (open) (void)close();", 1,
     "an open of a file already open closes the old open first; the new open's result is returned"},
    {"storage/file_sync.cpp", "for (auto& t : trees) (void)t.discard();", 2,
     "after a failed write the in-memory trees are dropped; the odd journal counter makes the next "
     "access reload or recover"},
    {"storage/file_sync.cpp", "(void)log.writeHead(opHead);", 1,
     "abortWrite() ends a write that already failed; a head left odd makes the next writer "
     "recover"},
    {"storage/file_sync.cpp", "(void)log.file().write(zero, 4, opHead.end);", 1,
     "best effort after a failed journal append; the append's own error is returned"},
    {"storage/file_sync.cpp", "(void)log.file().write(zero, 4, recordStart);", 1,
     "best effort after a failed apply; the apply's own error is returned"},
    {"storage/file_sync.cpp", "(void)checkpoint(true, &postponed);", 1,
     "the write itself is committed; a checkpoint that fails is tried again at the next write and "
     "at close"},
    {"storage/file_sync.cpp", "(void)headerChange(hc);", 1,
     "headerChange() only encodes the header in memory and cannot fail"},
    {"storage/file_write.cpp", "(void)endBulkSession();", 1,
     "the add already failed and returns its own error; the bulk session's end is best effort (the "
     "bulk flag makes the keys be rebuilt)"},
    {"storage/file_write.cpp", "(void)keyChanges(changes);", 3,
     "keyChanges() only collects the trees' changed blocks in memory and cannot fail"},
    {"storage/file_write.cpp", "(void)headerChange(changes);", 2,
     "headerChange() only encodes the header in memory and cannot fail"},
    {"storage/file_write.cpp", "if (headerChanged) (void)headerChange(changes);", 1,
     "headerChange() only encodes the header in memory and cannot fail"},
    {"storage/posix_file_system.cpp", "(void)::sync_file_range(h, 0, 0, SYNC_FILE_RANGE_WRITE);", 1,
     "a hint to the system; the later sync reports any failure"},
    {"storage/view_range.cpp", "(void)fieldIn(lowRec, f).set(expr::Value(equal));", 1,
     "key bounds of a view's range: a value the field cannot hold only widens the range, and the "
     "filter still tests every record"},
    {"storage/view_range.cpp", "(void)fieldIn(highRec, f).set(expr::Value(equal));", 1,
     "key bounds of a view's range: a value the field cannot hold only widens the range, and the "
     "filter still tests every record"},
    {"storage/view_range.cpp",
     "(void)fieldIn(lowRec, f).set(expr::Value(static_cast<double>(lo)));", 1,
     "key bounds of a view's range: a value the field cannot hold only widens the range, and the "
     "filter still tests every record"},
    {"storage/view_range.cpp",
     "(void)fieldIn(highRec, f).set(expr::Value(static_cast<double>(hi)));", 1,
     "key bounds of a view's range: a value the field cannot hold only widens the range, and the "
     "filter still tests every record"},
    {"storage/view_sorted.cpp", "(void)file_.records(count);", 1,
     "a count for the view's progress only (0 when it cannot be read); no record depends on it"},
    {"framework/data/file_manager.cpp",
     "if (File && !CleanedUp && File->isOpen()) (void)File->close();", 1,
     "clean-up at the manager's end; nothing is left to report to"},
    {"framework/data/file_manager_buffers.cpp", "(void)UseFile(kUseRecord);", 2,
     "notes the usage for the files manager; a file that cannot be used was reported by UseFile "
     "itself and the buffer work needs no open file"},
    {"framework/data/file_manager_buffers.cpp", "(void)File->reget(PrimaryKey, e.Pos);", 1,
     "restoring a caller's position is best effort: a record gone meanwhile leaves the position "
     "unset and the next read reports"},
    {"framework/data/file_manager_open.cpp",
     "(void)File->send(\"Recover=\" + std::to_string(LockRecover));", 1,
     "sets a driver option; the open that follows gives the result"},
    {"framework/data/file_manager_open.cpp", "(void)Throw(2);", 1,
     "a notice (message 2): the open goes on read-only whatever the user answers"},
    {"framework/data/file_manager_open.cpp", "(void)Throw();", 1,
     "message 27 before the keys are rebuilt: the rebuild follows whatever the user answers and "
     "its own result is returned"},
    {"framework/data/file_manager_open.cpp", "if (File) (void)File->close();", 1,
     "the last Close of a thread's use; Close returns Benign by contract"},
    {"framework/data/file_manager_records.cpp", "(void)File->restoreState(state);", 1,
     "the duplicate test reads only; a position that cannot be restored is re-read by the next "
     "access"},
    {"framework/data/file_manager_records.cpp", "(void)ThrowMessage(13, description);", 1,
     "the insert fails with level 5 whatever the user answers to message 13"},
    {"framework/data/file_manager_records.cpp", "if (HandleError) (void)Throw();", 1,
     "the update fails with level 5 whatever the user answers to message 6 or 7"},
    {"framework/data/file_manager_records.cpp",
     "(void)TryReget(pos);  // the other station's version into the buffer", 1,
     "the update already failed (record changed elsewhere); showing the other station's version is "
     "best effort"},
    {"framework/data/file_manager_observed.cpp", "(void)transaction::Rollback();", 1,
     "the write or its journal entry already failed and that error is reported; a frame that "
     "cannot be "
     "undone now is undone by the recovery of the next writer"},
    {"framework/data/file_manager_observed.cpp", "(void)File->restoreState(state);", 1,
     "the image before a write is read only; the state was saved a moment before under the same "
     "handle"},
    {"framework/data/relation_manager.cpp",
     "if (Me && Me->File) (void)Me->File->send(On ? \"QUICKSCAN=on\" : \"QUICKSCAN=off\");", 1,
     "a read-ahead hint to the driver"},
    {"framework/data/relation_manager.cpp", "(void)Me->Throw(21);", 1,
     "the operation fails with level 5 whatever the user answers to message 21"},
    {"framework/data/relation_manager_secondary.cpp", "(void)Me->Throw();", 5,
     "the operation is already abandoned (frame rolled back); the user's answer does not change "
     "its level 5"},
    {"framework/data/relation_manager_write.cpp", "(void)me.Throw(21);", 1,
     "the frame could not begin: the operation fails with level 5 whatever the user answers"},
    {"framework/data/relation_manager_write.cpp", "(void)me.Throw(failed);", 1,
     "the frame could not be committed and is rolled back: the operation fails with level 5 "
     "whatever the user answers"},
    {"framework/data/relation_manager_write.cpp", "(void)Me->Throw();", 2,
     "the operation is already abandoned (frame rolled back); the user's answer does not change "
     "its level"},
    {"framework/data/relation_manager_write.cpp", "(void)Close(0);", 5,
     "RelationManager::Close returns Benign by contract; the operation's own level is returned"},
    {"framework/data/relation_manager_write.cpp", "if (l == Level::Notify) (void)Me->Throw();", 1,
     "the update already failed and returns its own level; the user's answer does not change it"},
};

std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Every line of the folders with a discarded call, and how often each text occurs.
std::map<std::pair<std::string, std::string>, int> discardedCalls() {
    static const std::regex discarded(
        R"(\(void\)\s*(?![A-Za-z_][A-Za-z_0-9]*\s*;)|static_cast<void>\()");
    const std::filesystem::path src = std::filesystem::path(KW_SOURCE_DIR) / "src";
    std::map<std::pair<std::string, std::string>, int> found;
    for (const char* folder : {"storage", "framework/data"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(src / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            std::ifstream in(entry.path());
            const std::string rel = std::filesystem::relative(entry.path(), src).generic_string();
            for (std::string line; std::getline(in, line);) {
                const std::string code = line.substr(0, line.find("//"));
                if (std::regex_search(code, discarded)) ++found[{rel, trimmed(line)}];
            }
        }
    }
    return found;
}

TEST(DiscardedResults, EveryDiscardedResultOnTheDataPathsIsListedWithItsReason) {
    std::map<std::pair<std::string, std::string>, int> allowed;
    for (const Allowed& a : kAllowed) {
        EXPECT_GT(std::string(a.reason).size(), 10u) << a.file << ": " << a.line;
        allowed[{a.file, a.line}] += a.times;
    }
    const auto found = discardedCalls();
    ASSERT_FALSE(found.empty()) << "the sources were not found under " << KW_SOURCE_DIR;
    for (const auto& [where, times] : found) {
        const auto it = allowed.find(where);
        const int may = it == allowed.end() ? 0 : it->second;
        EXPECT_LE(times, may) << where.first << ": a result is discarded: " << where.second
                              << "\n  handle the failure, or list the line with its reason";
    }
}

}  // namespace
