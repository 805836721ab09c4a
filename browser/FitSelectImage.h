#pragma once
// The size of the selection picture beside the file list: the picture fitted into a
// square box with its aspect ratio kept. SelectImage uses box 32:
//   if (auto size = FitSelectImage(32, pic.height(), pic.width())) SelectImage->resize(*size);
#include <QSize>
#include <optional>

// Nothing (the image keeps its size) when box, h or w is 0.
std::optional<QSize> FitSelectImage(int box, int h, int w);
