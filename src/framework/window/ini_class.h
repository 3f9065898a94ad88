// INIClass: settings in an INI text file ("[Section]" lines and "Entry=Value" lines).
// Every write replaces the whole file through a temporary file and a rename, so a crash
// leaves either the old file or the new one, never half of one.
//
// The manager keeps its own section "__Dont_Touch_Me__" with the entry "Sectors": the
// sections written through it, separated by "|". Update() (no arguments) writes it;
// the program calls it at shut-down.
//
// Section and entry names compare without regard to letter case; texts are CP1251 bytes
// as given. One object may be used from several threads.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kw::ui {
class Window;
}

namespace kw {

class INIClass {
  public:
    static constexpr std::string_view kOwnSection = "__Dont_Touch_Me__";
    static constexpr std::string_view kSectorsEntry = "Sectors";

    // Takes the file name (a name without a path lies in the current directory) and
    // reads the sections noted by an earlier run. The file is neither created nor
    // changed here.
    void Init(std::string_view fileName);
    // The entry's value; `defaultValue` when the file, the section or the entry is missing,
    // or before Init.
    std::string Fetch(std::string_view section, std::string_view entry,
                      std::string_view defaultValue = "") const;
    // Writes Entry=Value into the section (added when missing) and notes the section.
    // False (and the file unchanged) before Init, when a name is empty or holds a line
    // break, "[", "]" or "=" where it cannot stand, when the value holds a line break,
    // or when the file cannot be written.
    bool Update(std::string_view section, std::string_view entry, std::string_view value);
    // Flushes: writes the manager's own section. False before Init or when the file cannot
    // be written.
    bool Update();
    // Window settings, in the section named after the procedure: "Maximize" ("Yes" or
    // "No"), "XPos", "YPos", "Width", "Height" (pixels).
    // Restores what the section holds: the position, the size (of a resizable window
    // only) and maximising when "Maximize" is "Yes"; a value that is not a sound number
    // is passed over. True when anything was restored. The window must be open.
    bool Fetch(std::string_view procedure, ui::Window& window) const;
    // Writes the window's settings: nothing while it is iconised (false); "Maximize",
    // then, unless maximised, "XPos" and "YPos" and, for a resizable window, "Width"
    // and "Height" (a maximised window leaves the entries written before as they were).
    bool Update(std::string_view procedure, const ui::Window& window);
    // Notes a section as written through the manager.
    void AddSector(std::string_view section);
    // The sections noted, in the order first noted.
    std::vector<std::string> GetSectors() const;
    // Forgets the file; later calls act as before Init.
    void Kill();

    std::string FileName() const;

  private:
    bool write(std::string_view section, std::string_view entry, std::string_view value);
    void noteSector(std::string_view section);

    mutable std::mutex mutex_;
    std::string fileName_;
    std::vector<std::string> sectors_;
    bool initialised_ = false;
};

}  // namespace kw
