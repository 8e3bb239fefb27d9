#pragma once
// The icon the desktop shows for a file. The core asks an installed provider (the desktop's
// icon theme, installed by the window layer at start-up); without one, or when it has no
// answer, a built-in generic document or folder icon stands in, so tests and the command line
// work without a desktop.
#include <memory>
#include <optional>
#include <string>

#include "raster/icon.h"

namespace vexilo {

class AssociatedIconProvider {
public:
    virtual ~AssociatedIconProvider() = default;
    // The icon for an existing file or folder at size x size, or none when the desktop has no
    // icon for it. Must not throw.
    virtual std::optional<Icon> iconFor(const std::string& path, int size) = 0;
};

// Installs the provider for the whole process (null removes it) and returns the previous one.
std::unique_ptr<AssociatedIconProvider> setAssociatedIconProvider(
    std::unique_ptr<AssociatedIconProvider> provider);

// The built-in icons: a white page with a folded corner, and a yellow folder. Both have a mask
// and size x size pixels.
Icon genericDocumentIcon(int size);
Icon genericFolderIcon(int size);

// The associated icon of an existing file or folder at size x size: the provider's, else the
// built-in one. None when the path is empty or names nothing.
std::optional<Icon> associatedIcon(const std::string& path, int size);

}  // namespace vexilo
