// A plain drop of a file onto a folder of the tree extracts an archive; until the
// extraction is built, such a drop does nothing. The extraction's own source replaces
// this file.
#include "browser/FilePanel.h"

namespace browser {

void FilePanel::ExtractDroppedArchive(bool /*fromCurrentDirectory*/, QPoint /*dropPoint*/) {}

} // namespace browser
