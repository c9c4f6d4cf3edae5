// The staging folder of a restore or backup and the commit that moves its
// files into place.
//
// Protocol (engine/FORMAT.md, "Restores and backups"): new files are
// written and verified under <target>/.vnlstage-*/new/ first. The commit
// then works through the target one file set (a table) at a time: it
// writes its whole plan to the staging folder's journal and syncs it, then
// for each set appends "begin", moves the set's old files aside into
// .vnlstage-*/old/ and the new files in, and syncs the folders; after the
// last set it appends "commit" and removes the staging folder.
//
// Invariants:
// - While a staging folder's owner runs, it holds a write lock on its
//   journal; a staging folder whose journal is unlocked belongs to a run
//   that was killed or failed to clean up.
// - Recovery of such a folder either finishes it (the journal says
//   "commit": only the removal of the old files was left) or undoes every
//   set that had begun, in reverse order, putting the old files back and
//   removing the new ones. Either way each file set ends entirely old or
//   entirely new, and the staging folder goes. Recovery may itself be
//   interrupted and run again.
#pragma once

#include <string>
#include <vector>

namespace backup {

// Names relative to the target folder ('/' between components).
struct FileSwap {
    std::vector<std::string> oldFiles; // there now, replaced or removed
    std::vector<std::string> newFiles; // staged, moved in
};

class StagingArea {
public:
    // Creates the staging folder inside `targetFolder` (UTF-8), which must
    // exist.
    explicit StagingArea(const std::string& targetFolder);
    ~StagingArea(); // removes the staging folder (an uncommitted run changes nothing)
    StagingArea(const StagingArea&) = delete;
    StagingArea& operator=(const StagingArea&) = delete;

    const std::string& Folder() const { return mFolder; }
    // Where the new file `relative` is staged; its folder is created.
    std::string NewPath(const std::string& relative) const;

    // Moves every swap into place, in order. On failure every swap is undone
    // and the error raised; if even that fails the journal is left for the
    // next recovery, and the error says so.
    void Commit(const std::vector<FileSwap>& swaps);

private:
    void AppendJournal(const std::string& lines);
    void Remove() noexcept;

    std::string mTarget;
    std::string mFolder;
    int mJournal = -1;
};

// Finishes or undoes every interrupted run in `targetFolder` (UTF-8) whose
// owner is gone; staging folders of running restores are left alone. A
// folder that cannot be recovered (no right to write) is left as it is.
void RecoverInterrupted(const std::string& targetFolder) noexcept;

// As RecoverInterrupted, for the folder a connection opens: `ansiPath` is a
// folder or a dictionary file (whose folder is meant), 8-bit, any case.
void RecoverBeforeOpen(const std::string& ansiPath) noexcept;

inline constexpr const char* kStagingPrefix = ".vnlstage-";

} // namespace backup
