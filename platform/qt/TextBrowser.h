// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>

#include "platform/Browser.h"

class QTextBrowser;

namespace vm {

// A page that a URL scheme of the program's own answers with.
struct TextPage {
    QByteArray contentType;  // text/html, else the body is shown as plain text
    QByteArray body;
};
using TextSchemeAnswer = std::function<TextPage(const QUrl&)>;

// Every text browser of the process answers the scheme's addresses (pages, style sheets and
// images alike) from the function, in the process itself: no socket, no network.
void InstallTextScheme(const QByteArray& scheme, TextSchemeAnswer answer);
void RemoveTextScheme(const QByteArray& scheme);

class PageView;

// The resource page in a QTextBrowser, for a Qt without a web engine. It shows the pages of the
// schemes installed above, with the rich text that Qt's widgets know (no scripts, a subset of
// CSS). Any other address gets a short page that says it cannot be shown here, with a link to
// open it in the desktop's web browser; that load counts as complete too.
//
// A link clicked in the page opens inside it when its scheme is installed, else in the program
// the desktop has for the address (a web browser, a mail program).
//
// A page loads at once; the complete handler runs afterwards from the event loop, once a load.
class TextBrowser : public QObject, public Browser {
    Q_OBJECT
  public:
    TextBrowser();
    ~TextBrowser() override;

    QString locationUrl() const override;
    void navigate(const QString& url) override;
    void setDocumentCompleteHandler(std::function<void()> handler) override;
    QWidget* widget() override;

    QTextBrowser* view();
    // The page's <title>, or empty.
    QString title() const;

  private:
    void load(const QUrl& url);
    void follow(const QUrl& link);

    QPointer<PageView> view_;
    QString sent_;  // the address last sent
    QUrl shown_;    // the address of the page shown (a link followed changes it)
    std::function<void()> onComplete_;
};

// Opens addresses of a scheme (the About tab's links) in a window of their own, since no other
// program knows the scheme. One window, reused; its title is the page's.
class TextPageWindow : public QObject {
    Q_OBJECT
  public:
    explicit TextPageWindow(const QByteArray& scheme, QObject* parent = nullptr);
    ~TextPageWindow() override;
    // The window, once an address was opened.
    QWidget* window() const;
    TextBrowser* browser() const { return browser_.get(); }

  public slots:
    void open(const QUrl& url);

  private:
    QByteArray scheme_;
    std::unique_ptr<TextBrowser> browser_;
};

}  // namespace vm
