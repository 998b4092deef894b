#pragma once

#include "ui/RtfReader.h"

class QTextDocument;

// Fills a text document with what the RTF reader read: paragraphs with their alignment and indent, runs with
// bold, italic, underline, size, font and colour.
void fillDocument(QTextDocument *document, const rtf::Document &rtf);
