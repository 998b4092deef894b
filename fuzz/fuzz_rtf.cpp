// Any bytes as RTF: the reader gives a document, never a crash, a hang or a sanitizer report.
#include "ui/RtfReader.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const rtf::Document doc = rtf::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (doc.paragraphs.isEmpty())
        __builtin_trap();
    qsizetype characters = 0;
    for (const rtf::Paragraph &p : doc.paragraphs) {
        for (const rtf::Run &run : p.runs)
            characters += run.text.size();
    }
    // Every character shown comes from at least one byte of the input.
    if (characters > qsizetype(size))
        __builtin_trap();
    return 0;
}
