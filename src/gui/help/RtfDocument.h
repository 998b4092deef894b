#pragma once

#include "core/help/RtfReader.h"

class QTextDocument;

// The most a help window lays out (a note says how much more there is), and the longest piece of a
// paragraph laid out as one block.
inline constexpr qsizetype MaxShownCharacters = 2 * 1024 * 1024;
inline constexpr qsizetype MaxBlockCharacters = 4000;

// Fills a text document with what the RTF reader read: paragraphs with their alignment and indent, runs with
// bold, italic, underline, size, font and colour. Control characters other than tabs and line breaks (NUL
// bytes included) are dropped.
void fillDocument(QTextDocument *document, const rtf::Document &rtf);
