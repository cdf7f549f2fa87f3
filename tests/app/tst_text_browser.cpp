// SPDX-License-Identifier: GPL-3.0-or-later
// The text browser with the built-in site: one complete call a load (an address it cannot show
// too), the address rule that keeps the resource page from loading again, links inside the page
// and out of it, and the About tab's window.
#include <QApplication>
#include <QDesktopServices>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <utility>

#include "SiteConfig.h"
#include "app/BuiltInSite.h"
#include "app/SitePages.h"
#include "platform/qt/TextBrowser.h"

using namespace vm;

// Stands in for the desktop's web browser.
class Outside : public QObject {
    Q_OBJECT
  public slots:
    void open(const QUrl& url) { opened << url; }

  public:
    QList<QUrl> opened;
};

class TestTextBrowser : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void loadsABuiltInPageOnce();
    void addressRuleKeepsThePage();
    void linkNavigatesInside();
    void webAddressCompletesAndItsLinkOpensOutside();
    void aboutLinksOpenInAWindowOfTheirOwn();

  private:
    // Lets the event loop run; returns how many loads completed meanwhile.
    int settle() {
        QTest::qWait(50);
        return std::exchange(completed_, 0);
    }
    QString text() const { return browser_->view()->toPlainText(); }
    void click(const QString& caption);

    std::unique_ptr<TextBrowser> browser_;
    int completed_ = 0;
};

void TestTextBrowser::initTestCase() {
    if (VM_REAL_SITE || sizeof(VM_TRANSLATE_URL) > 1) {
        QSKIP("this build was configured with the addresses of a real web site");
    }
    InstallTextScheme(kSiteScheme, [](const QUrl& url) {
        SiteReply reply = AnswerSiteRequest(url);
        return TextPage{reply.contentType, reply.body};
    });
}

void TestTextBrowser::init() {
    browser_ = std::make_unique<TextBrowser>();
    browser_->setDocumentCompleteHandler([this] { ++completed_; });
    browser_->widget()->resize(480, 260);
    browser_->widget()->show();
    completed_ = 0;
}

void TestTextBrowser::click(const QString& caption) {
    QTextBrowser* view = browser_->view();
    const QTextCursor found = view->document()->find(caption);
    QVERIFY2(!found.isNull(), qPrintable(caption));
    QTextCursor inside(view->document());
    inside.setPosition(found.selectionStart() + 2);
    view->setTextCursor(inside);
    view->ensureCursorVisible();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(inside).center());
}

void TestTextBrowser::loadsABuiltInPageOnce() {
    browser_->navigate(ResourcePageUrl());
    QCOMPARE(completed_, 0);  // as an engine reports it: later, from the event loop
    QCOMPARE(settle(), 1);
    QVERIFY(text().contains(QStringLiteral("FLV 文件从哪里来")));
    QVERIFY(browser_->title().endsWith(QStringLiteral(" – Vidmorf")));
    // The style sheet came from the site too.
    const QTextCursor heading = browser_->view()->document()->find(QStringLiteral("FLV 资源"));
    QCOMPARE(heading.charFormat().foreground().color(), QColor(0x17, 0x46, 0xa2));
    // The site's header is a block of its own, above the heading.
    QCOMPARE(browser_->view()->document()->firstBlock().text(), QStringLiteral("Vidmorf English"));
}

void TestTextBrowser::addressRuleKeepsThePage() {
    // The translation's address, "%3a" and all, is reported as it was sent.
    ShowResourcePage(*browser_, QStringLiteral("English"));
    QCOMPARE(settle(), 1);
    QCOMPARE(browser_->locationUrl(), TranslatedPageUrl());
    ShowResourcePage(*browser_, QStringLiteral("Deutsch"));
    QCOMPARE(settle(), 0);
    ShowResourcePage(*browser_, QStringLiteral("简体中文"));
    QCOMPARE(settle(), 1);
    QCOMPARE(browser_->locationUrl(), ResourcePageUrl());
}

void TestTextBrowser::linkNavigatesInside() {
    browser_->navigate(TranslatedPageUrl());
    settle();
    click(QStringLiteral("Common problems"));
    QCOMPARE(settle(), 1);
    QCOMPARE(QUrl(browser_->locationUrl()),
             QUrl(TranslatedUrlOf(SitePageUrl(QStringLiteral("problems.htm")))));
    QVERIFY(text().contains(QStringLiteral("Messages")));
}

void TestTextBrowser::webAddressCompletesAndItsLinkOpensOutside() {
    Outside outside;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &outside, "open");
    const QString web = QStringLiteral("https://www.example.org/flv/index09.htm");
    browser_->navigate(web);
    QCOMPARE(settle(), 1);
    QVERIFY(text().contains(QStringLiteral("This page cannot be shown here.")));
    click(web);
    QCOMPARE(settle(), 0);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(outside.opened, QList<QUrl>{QUrl(web)});
    QCOMPARE(browser_->locationUrl(), web);
}

void TestTextBrowser::aboutLinksOpenInAWindowOfTheirOwn() {
    TextPageWindow pages(kSiteScheme);
    for (const QString& target : {MakerHomePage(), MakerChatPage(), MakerWebLog(), MakerMail()}) {
        QVERIFY(QDesktopServices::openUrl(QUrl(target)));
        QTest::qWait(20);
        QVERIFY(pages.window() && pages.window()->isVisible());
        QCOMPARE(pages.browser()->locationUrl(), target);
        QVERIFY(pages.window()->windowTitle().endsWith(QStringLiteral(" – Vidmorf")));
    }
}

QTEST_MAIN(TestTextBrowser)
#include "tst_text_browser.moc"
