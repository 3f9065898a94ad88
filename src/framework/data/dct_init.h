// The dictionary's managers: one access object (FileManager) and one relate object
// (RelationManager) per table, created at start-up by DctInit and destroyed at
// shut-down by DctKill. No file is opened here. Each table's FILE (the driver's
// kw::storage::File over the dictionary's declaration, in the current directory) is
// created by the first Init of its access object and lives to the end of the program;
// Access::XXX->File reaches it.
#pragma once

#include <functional>
#include <string_view>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"

// Each reference is null before FilesInit and after DctKill.
namespace Access {
extern kw::FileManager* SEC;
extern kw::FileManager* DAY;
extern kw::FileManager* KLM;
extern kw::FileManager* FIL;
extern kw::FileManager* IZD;
extern kw::FileManager* ZAL;
extern kw::FileManager* MET;
extern kw::FileManager* PRB;
extern kw::FileManager* KAM;
extern kw::FileManager* KBP;
extern kw::FileManager* PKL;
extern kw::FileManager* PSK;  // the program's own, after the eleven
extern kw::FileManager* AUD;
extern kw::FileManager* PRM;
}  // namespace Access

namespace Relate {
extern kw::RelationManager* SEC;
extern kw::RelationManager* DAY;
extern kw::RelationManager* KLM;
extern kw::RelationManager* FIL;
extern kw::RelationManager* IZD;
extern kw::RelationManager* ZAL;
extern kw::RelationManager* MET;
extern kw::RelationManager* PRB;
extern kw::RelationManager* KAM;
extern kw::RelationManager* KBP;
extern kw::RelationManager* PKL;
extern kw::RelationManager* PSK;
extern kw::RelationManager* AUD;
extern kw::RelationManager* PRM;
}  // namespace Relate

// Binds every Access::XXX and Relate::XXX reference to its object; touches no file.
void FilesInit();
// FilesInit, then initialises the relate object (and through it the access object) of
// every table in dictionary order: SEC, DAY, KLM, FIL, IZD, ZAL, MET, PRB, KAM, KBP, PKL,
// then the program's own PSK, AUD and PRM.
void DctInit();
// Kills every relate object (and its access object) in the same order and clears the
// references.
void DctKill();

namespace kw {

// Receives each set-up step of DctInit/DctKill as it happens: the table's label and
// the step: "a" (Init over the table and GlobalErrors), "b" (message label), "c"
// (record buffer), "d" (create flag), "e" (lock-recover time), "f <key description>"
// (one per key), "relate" (the relate object's Init), "kill". For diagnostics and tests;
// empty by default. Set it only while DctInit/DctKill are not running.
using DctStepObserver = std::function<void(std::string_view table, std::string_view step)>;
void setDctStepObserver(DctStepObserver observer);

}  // namespace kw
