// SPDX-License-Identifier: GPL-3.0-or-later
// The resource tab with the real browser engine and the built-in site: the first page, the
// rules that keep it from loading again, every page in both languages, and no request that
// leaves the program.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <functional>
#include <memory>

#include "MemoryPlatform.h"
#include "SiteConfig.h"
#include "app/BuiltInSite.h"
#include "app/Form1.h"
#include "app/SitePages.h"
#include "app/SiteSetup.h"
#include "platform/qt/QtLinks.h"
#include "platform/qt/WebEngineBrowser.h"

using namespace vm;
using namespace vm::test;

namespace {

// Records every request the engine makes.
class Recorder : public QWebEngineUrlRequestInterceptor {
  public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        requests << info.requestUrl();
    }
    QList<QUrl> requests;
};

// Runs the event loop until the condition holds or the time is up. QTest::qWaitFor and
// QTest::qWait poll with processEvents between sleeps, which leaves the engine's own tasks
// waiting for seconds: every load took about 4 s under them, against a quarter of a second
// in the program's event loop.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition() || clock.hasExpired(milliseconds)) {
            loop.quit();
        }
    });
    if (!condition()) {
        poll.start(5);
        loop.exec();
    }
    return condition();
}

// Lets the engine work for a while, for checks that nothing happens.
void Idle(int milliseconds) {
    WaitUntil([] { return false; }, milliseconds);
}

}  // namespace

class TestResourcePageReal : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void startsOnTheBuiltInPage();
    void pageIsNotLoadedAgain();
    void everyPageInBothLanguages();
    void addressesThatLeadNowhere();
    void aboutLinksOpenInAWindowOfTheirOwn();
    void noRequestLeavesTheProgram();

  private:
    bool waitForLoad();
    QString pageText();
    QVariant evaluate(const QString& script);
    void choose(const QString& language);
    int loads() const { return int(loadSpy_->size()); }

    std::unique_ptr<BuiltInSiteServer> site_;
    Recorder recorder_;
    MemoryFileSystem files_;
    ManualProcesses processes_;
    FakeDialogs dialogs_;
    FakeLinks links_;
    MemoryProfiles profiles_;
    std::unique_ptr<WebEngineBrowser> browser_;
    std::unique_ptr<Form1> form_;
    std::unique_ptr<QSignalSpy> loadSpy_;
    std::unique_ptr<QSignalSpy> finishSpy_;
};

void TestResourcePageReal::initTestCase() {
    if (VM_REAL_SITE || sizeof(VM_TRANSLATE_URL) > 1) {
        QSKIP("this build was configured with the addresses of a real web site");
    }
    site_ = std::make_unique<BuiltInSiteServer>();
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&recorder_);
    files_.addDir(kFolder);
    files_.addFile(kFolder + QStringLiteral("coder.dll"));
    const QStringList languages{QStringLiteral("简体中文"), QStringLiteral("繁體中文"),
                                QStringLiteral("English"), QStringLiteral("Deutsch")};
    for (int i = 0; i < languages.size(); ++i) {
        const QString pack = kFolder + QStringLiteral("p%1.INI").arg(i);
        files_.addFile(pack);
        profiles_.set(pack, QStringLiteral("Info"), QStringLiteral("Language"), languages[i]);
    }
    browser_ = std::make_unique<WebEngineBrowser>();
    loadSpy_ = std::make_unique<QSignalSpy>(browser_->view(), &QWebEngineView::loadStarted);
    finishSpy_ = std::make_unique<QSignalSpy>(browser_->view(), &QWebEngineView::loadFinished);
    form_ = std::make_unique<Form1>(
        Platform{files_, processes_, dialogs_, links_, *browser_, profiles_}, kFolder);
}

void TestResourcePageReal::cleanupTestCase() {
    form_.reset();
    browser_.reset();
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
}

bool TestResourcePageReal::waitForLoad() {
    const int before = int(finishSpy_->size());
    return WaitUntil([&] { return finishSpy_->size() > before; }, 20000);
}

QVariant TestResourcePageReal::evaluate(const QString& script) {
    QVariant result;
    bool done = false;
    browser_->view()->page()->runJavaScript(script, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    if (!WaitUntil([&] { return done; }, 10000)) {
        qWarning("the page did not answer the script");
    }
    return result;
}

QString TestResourcePageReal::pageText() {
    return evaluate(QStringLiteral("document.body.innerText")).toString();
}

void TestResourcePageReal::choose(const QString& language) {
    QComboBox* box = form_->controls().Combo7;
    box->setCurrentIndex(box->findText(language));
    emit box->activated(box->currentIndex());
}

void TestResourcePageReal::startsOnTheBuiltInPage() {
    QVERIFY(form_->startUp());
    QVERIFY(waitForLoad());
    QCOMPARE(finishSpy_->last().at(0).toBool(), true);
    QCOMPARE(browser_->locationUrl(), ResourcePageUrl());
    QVERIFY(form_->controls().panels[4]->isVisible());
    QVERIFY(pageText().contains(QStringLiteral("Flash Video")));
    QVERIFY(pageText().contains(QStringLiteral("FLV 文件从哪里来")));
}

void TestResourcePageReal::pageIsNotLoadedAgain() {
    const Form1Controls& c = form_->controls();
    // The two Chinese languages share the untranslated page.
    const int start = loads();
    choose(QStringLiteral("简体中文"));
    choose(QStringLiteral("繁體中文"));
    c.Option7[0]->click();
    c.Option7[4]->click();
    Idle(300);
    QCOMPARE(loads(), start);

    // Another language: the translation, once; a second non-Chinese language keeps it.
    choose(QStringLiteral("English"));
    QVERIFY(waitForLoad());
    QVERIFY(pageText().contains(QStringLiteral("Where FLV files come from")));
    // The view's own report of the address counts as the same address.
    QCOMPARE(browser_->view()->url(), QUrl(TranslatedPageUrl()));
    QCOMPARE(browser_->locationUrl(), TranslatedPageUrl());
    const int translated = loads();
    choose(QStringLiteral("Deutsch"));
    c.Option7[5]->click();
    c.Option7[4]->click();
    Idle(300);
    QCOMPARE(loads(), translated);

    // A link followed inside the page; the tab brings the page back.
    evaluate(QStringLiteral("document.querySelector('footer a').click()"));
    QVERIFY(waitForLoad());
    QVERIFY(browser_->locationUrl() != TranslatedPageUrl());
    QVERIFY(pageText().contains(QStringLiteral("Choosing settings")));
    c.Option7[2]->click();
    c.Option7[4]->click();
    QVERIFY(waitForLoad());
    QCOMPARE(browser_->locationUrl(), TranslatedPageUrl());
    QVERIFY(pageText().contains(QStringLiteral("Where FLV files come from")));
}

void TestResourcePageReal::everyPageInBothLanguages() {
    QVERIFY(form_->controls().panels[4]->isVisible());
    for (const QString& name : SitePageNames()) {
        for (const QString& address : {SitePageUrl(name), TranslatedUrlOf(SitePageUrl(name))}) {
            browser_->navigate(address);
            QVERIFY2(waitForLoad(), qPrintable(address));
            QVERIFY2(finishSpy_->last().at(0).toBool(), qPrintable(address));
            QVERIFY2(AnswerSiteRequest(QUrl(address)).found, qPrintable(address));
            // Made for the view's width: nothing to scroll sideways.
            QVERIFY2(evaluate(QStringLiteral("document.body.scrollWidth <= "
                                             "document.documentElement.clientWidth"))
                         .toBool(),
                     qPrintable(address));
            // The style sheet came from the site too.
            QCOMPARE(evaluate(QStringLiteral("getComputedStyle(document.querySelector('h1'))."
                                             "color"))
                         .toString(),
                     QStringLiteral("rgb(23, 70, 162)"));
        }
    }
}

void TestResourcePageReal::addressesThatLeadNowhere() {
    browser_->navigate(SitePageUrl(QStringLiteral("gone.htm")));
    QVERIFY(waitForLoad());
    QVERIFY(pageText().contains(QStringLiteral("There is no such page")));
    browser_->navigate(TranslatedUrlOf(SitePageUrl(QStringLiteral("gone.htm"))));
    QVERIFY(waitForLoad());
    QVERIFY(pageText().contains(QStringLiteral("There is no English version")));
    browser_->navigate(
        TranslatedPageUrl().replace(QStringLiteral("zh_en"), QStringLiteral("en_fr")));
    QVERIFY(waitForLoad());
    QVERIFY(pageText().contains(QStringLiteral("from Chinese to English only")));
}

void TestResourcePageReal::aboutLinksOpenInAWindowOfTheirOwn() {
    // No other program knows the site's scheme: its links open in a window of the program's.
    QtLinks links;
    for (const QString& target : {MakerHomePage(), MakerChatPage(), MakerWebLog(), MakerMail()}) {
        links.open(target);
        QWebEngineView* shown = nullptr;
        QVERIFY(WaitUntil(
            [&] {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    auto* view = qobject_cast<QWebEngineView*>(w);
                    if (view && view != browser_->view() && view->isVisible() &&
                        view->url() == QUrl(target) && !view->title().isEmpty() &&
                        !view->title().startsWith(QLatin1String("vidmorf:"))) {
                        shown = view;
                    }
                }
                return shown != nullptr;
            },
            20000));
        QVERIFY2(AnswerSiteRequest(QUrl(target)).found, qPrintable(target));
        QVERIFY(shown->title().endsWith(QStringLiteral(" – Vidmorf")));
    }
}

void TestResourcePageReal::noRequestLeavesTheProgram() {
    QVERIFY(!recorder_.requests.isEmpty());
    for (const QUrl& url : recorder_.requests) {
        QVERIFY2(url.scheme() == QLatin1String(kSiteScheme), qPrintable(url.toString()));
    }
}

int main(int argc, char** argv) {
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    TestResourcePageReal test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_resource_page_real.moc"
