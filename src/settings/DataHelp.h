#pragma once

#include <QDialog>
#include <functional>
#include <memory>

namespace platform {
class FileWork;
}
class QPdfDocument;
class QPdfView;

// The help window: shows one help document (a PDF of the help folder), prints
// it and saves a copy of it. Page n of 1-18, the full manual for any other n.
// Modal when asked so (page 16 opens above the modal setlist editor).
class DataHelp : public QDialog {
    Q_OBJECT
public:
    explicit DataHelp(QWidget *parent = nullptr);
    ~DataHelp() override;

    // The folder that holds the help documents; without one, the folder the
    // program's provider answers (asked once: it brings the copies up to date).
    void setDocumentFolder(const QString &folder) { folder_ = folder; }
    static void setFolderProvider(const std::function<QString()> &provider);
    // Shows page n; with modal, runs the window modally until it closes.
    void showDataHelp(qint64 n, bool modal);
    // Sets the window's title for page n and answers the document's path.
    QString url1(qint64 n);
    void actionPrint();
    // Saves a copy of the shown document where the user chooses (a PDF), off
    // the main thread; the copy opens once written.
    void actionPreview();
    void closeWin();

    qint64 page() const { return gNoHelp_; }
    bool modalWin() const { return modalWin_; }
    QPdfDocument *document() const { return document_; }

protected:
    void done(int result) override;

private:
    std::unique_ptr<platform::FileWork> copies_;
    QPdfView *pdfView1_ = nullptr;
    QPdfDocument *document_ = nullptr;
    QString folder_;
    QString shown_;
    qint64 gNoHelp_ = 0;
    bool modalWin_ = false;
};
