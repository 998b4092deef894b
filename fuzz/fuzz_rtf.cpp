// Any bytes as RTF: the reader gives a document and the help window's document is laid out from it, never a
// crash, a hang or a sanitizer report; what is laid out stays within the window's limits.
#include "core/help/RtfReader.h"
#include "gui/help/RtfDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QByteArray>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    Q_UNUSED(app);

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

    QTextDocument document;
    fillDocument(&document, doc);
    document.setTextWidth(600);
    document.documentLayout()->documentSize(); // lays out every block
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.length() > MaxBlockCharacters + 1)
            __builtin_trap();
        if (block.text().contains(QChar(0)))
            __builtin_trap();
    }
    return 0;
}
