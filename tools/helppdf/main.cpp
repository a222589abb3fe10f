// Makes the help documents at build time: each page's Markdown laid out on
// the bundled fonts and written as a PDF, the manual joining every page, and
// a resource list naming them. Runs on the offscreen platform.
//
//   tolvane_helppdf <resources folder> <output folder>

#include "settings/HelpPages.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>
#include <optional>

namespace {

bool fail(const QString &why)
{
    std::fprintf(stderr, "tolvane_helppdf: %s\n", qPrintable(why));
    return false;
}

bool readText(const QString &path, QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    text = QString::fromUtf8(file.readAll());
    return true;
}

// Each top-level heading after the first starts a new sheet (the manual).
void breakBeforeHeadings(QTextDocument &doc)
{
    bool first = true;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() != 1)
            continue;
        if (!first) {
            QTextCursor c(b);
            QTextBlockFormat f = b.blockFormat();
            f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            c.setBlockFormat(f);
        }
        first = false;
    }
}

bool writePdf(const QString &markdown, const QString &title, const QString &path, bool manual)
{
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    doc.setDocumentMargin(0);
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    if (manual)
        breakBeforeHeadings(doc);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("%1: %2").arg(path, out.errorString()));
    {
        QPdfWriter writer(&out);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Tolvane"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 18, 20, 18),
                                         QPageLayout::Millimeter));
        doc.print(&writer);
    }
    if (!out.commit())
        return fail(QStringLiteral("%1: %2").arg(path, out.errorString()));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // Qt wants a runtime folder: without one it would make runtime-root in the
    // temporary folder and leave it there after the build.
    std::optional<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.emplace().isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: tolvane_helppdf <resources folder> <output folder>")), 2;
    const QDir resources(args.at(1));
    const QDir output(args.at(2));
    if (!QDir().mkpath(output.path()))
        return fail(QStringLiteral("cannot make %1").arg(output.path())), 1;
    for (const char *font : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf"})
        if (QFontDatabase::addApplicationFont(resources.filePath(QStringLiteral("fonts/") + QLatin1String(font))) < 0)
            return fail(QStringLiteral("cannot load the font %1").arg(QLatin1String(font))), 1;

    QString manual;
    if (!readText(resources.filePath(helppages::sourceName(0)), manual))
        return 1;
    QString qrc = QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/help\">\n");
    for (int n : helppages::allPages()) {
        QString text;
        if (n != 0) {
            if (!readText(resources.filePath(helppages::sourceName(n)), text))
                return 1;
            manual += QStringLiteral("\n\n") + text;
        } else {
            text = manual;
        }
        const QString name = helppages::fileName(n);
        if (!writePdf(text, helppages::title(n), output.filePath(name), n == 0))
            return 1;
        qrc += QStringLiteral("    <file>%1</file>\n").arg(name.toHtmlEscaped());
    }
    qrc += QStringLiteral("  </qresource>\n</RCC>\n");
    QSaveFile list(output.filePath(QStringLiteral("help.qrc")));
    if (!list.open(QIODevice::WriteOnly) || list.write(qrc.toUtf8()) < 0 || !list.commit())
        return fail(QStringLiteral("cannot write help.qrc")), 1;
    return 0;
}
