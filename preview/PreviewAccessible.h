#pragma once
// The preview window's picture as screen readers see it: a graphic named by the window's
// caption (the file's number and name), described by its hint (the file's folder).
namespace preview {

class TPreviewFormX;

// Installs the accessibility factory of the preview's picture (once per process) and
// has form tell readers when its picture's name changes with the caption.
void InstallPreviewAccessibility(TPreviewFormX* form);

} // namespace preview
