#pragma once
// The desktop's trash as the freedesktop.org trash layout defines it. A file goes to the home
// trash ($XDG_DATA_HOME/Trash) when a rename can put it there; else to the trash at the top of
// its own mount ($topdir/.Trash/$uid when the administrator made a sticky .Trash, else
// $topdir/.Trash-$uid); else it is copied into the home trash and removed once the copy is whole.
#include <functional>
#include <optional>
#include <string>

namespace vexilo {

// $XDG_DATA_HOME/Trash, or ~/.local/share/Trash; nothing is created.
std::string homeTrashFolder();

// The trash at the top of a mount, with its files/ and info/ folders created as needed (mode
// 0700); nullopt when neither form can be used.
std::optional<std::string> topDirTrash(const std::string& topdir);

// The folder a file system is mounted on that holds `folder` (a bind mount counts as its own).
std::string mountTopOf(const std::string& folder);

class Trash {
public:
    // The system's rename(2), answering 0 or -1 with errno; tests put in one that refuses with
    // EXDEV, as a bind mount does.
    using RenameFunction = std::function<int(const std::string& from, const std::string& to)>;
    using TopFunction = std::function<std::string(const std::string& folder)>;

    explicit Trash(std::string homeTrash = homeTrashFolder(), RenameFunction rename = {},
                   TopFunction topOf = mountTopOf);

    // True when some trash can take the file: the home trash (its parent folders created as
    // needed) or the one at the top of the file's mount.
    bool canTake(const std::string& path) const;
    // Moves the file (a link itself, not what it points to) into a trash with its restore
    // record. Throws FileError when no trash takes it; the file then stays where it was.
    void put(const std::string& path) const;

    const std::string& homeFolder() const { return m_home; }

private:
    bool preparedHome() const;
    bool into(const std::string& trash, const std::string& full, bool byCopy) const;

    std::string m_home;
    RenameFunction m_rename;
    TopFunction m_topOf;
};

}  // namespace vexilo
