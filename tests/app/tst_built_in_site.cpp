// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in site as the browser would ask it: pages, translations, links between them, and
// addresses that lead nowhere. Also: nothing shipped calls itself a placeholder.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include "MemoryPlatform.h"
#include "SiteConfig.h"
#include "app/BuiltInSite.h"
#include "app/Form1.h"
#include "app/SitePages.h"

using namespace vm;

namespace {

QString Body(const QString& address) {
    return QString::fromUtf8(AnswerSiteRequest(QUrl(address)).body);
}

QStringList LinksIn(const QString& html) {
    static const QRegularExpression href(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    QStringList links;
    for (auto it = href.globalMatch(html); it.hasNext();) {
        links << it.next().captured(1).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    }
    return links;
}

}  // namespace

class TestBuiltInSite : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void everyPageAndItsTranslation();
    void linksStayInTheSiteAndTheLanguage();
    void addressesThatLeadNowhere();
    void nothingCallsItselfAPlaceholder();
};

void TestBuiltInSite::initTestCase() {
    if (VM_REAL_SITE || sizeof(VM_TRANSLATE_URL) > 1) {
        QSKIP("this build was configured with the addresses of a real web site");
    }
}

void TestBuiltInSite::everyPageAndItsTranslation() {
    QCOMPARE(SitePageNames().first(), QStringLiteral("index09.htm"));
    for (const QString& name : SitePageNames()) {
        const SiteReply zh = AnswerSiteRequest(QUrl(SitePageUrl(name)));
        const SiteReply en = AnswerSiteRequest(QUrl(TranslatedUrlOf(SitePageUrl(name))));
        QVERIFY2(zh.found && en.found, qPrintable(name));
        QCOMPARE(zh.contentType, QByteArrayLiteral("text/html;charset=utf-8"));
        QVERIFY(QString::fromUtf8(zh.body).contains(QStringLiteral("lang=\"zh-CN\"")));
        QVERIFY(QString::fromUtf8(en.body).contains(QStringLiteral("lang=\"en\"")));
        // An English page holds no Chinese beyond the link back and the names of languages.
        QString english = QString::fromUtf8(en.body);
        for (const char* allowed : {"简体中文", "繁體中文", "日本語", "中文"}) {
            english.remove(QString::fromUtf8(allowed));
        }
        static const QRegularExpression han(QStringLiteral("\\p{Han}"));
        QVERIFY2(!english.contains(han), qPrintable(name));
    }
    // The resource page under its fixed address, and the translation address composed for it.
    QVERIFY(Body(ResourcePageUrl()).contains(QStringLiteral("FLV")));
    QVERIFY(Body(TranslatedPageUrl()).contains(QStringLiteral("Where FLV files come from")));
    // The translation service reads the address whichever way its escapes are spelled.
    QString upper = TranslatedPageUrl();
    upper.replace(QStringLiteral("%3a"), QStringLiteral("%3A"));
    upper.replace(QStringLiteral("%2f"), QStringLiteral("%2F"));
    QVERIFY(AnswerSiteRequest(QUrl(upper)).found);
    QCOMPARE(AnswerSiteRequest(QUrl(SitePageUrl(QStringLiteral("site.css")))).contentType,
             QByteArrayLiteral("text/css;charset=utf-8"));
}

void TestBuiltInSite::linksStayInTheSiteAndTheLanguage() {
    for (const QString& name : SitePageNames()) {
        for (const bool english : {false, true}) {
            const QString page = english ? TranslatedUrlOf(SitePageUrl(name)) : SitePageUrl(name);
            const QStringList links = LinksIn(Body(page));
            QVERIFY(links.size() >= int(SitePageNames().size()));
            for (const QString& link : links) {
                const QUrl target(link);
                QVERIFY2(target.scheme() == QLatin1String(kSiteScheme),
                         qPrintable(page + " -> " + link));
                QVERIFY2(AnswerSiteRequest(target).found, qPrintable(page + " -> " + link));
                // A page's links lead to pages of its own language, except the one language link.
                if (link.endsWith(QLatin1String(".htm")) ||
                    link.contains(QLatin1String("%2fflv%2f"))) {
                    const bool translated = target.host() == QLatin1String(kTranslateHost);
                    const bool languageLink =
                        link == SitePageUrl(name) || link == TranslatedUrlOf(SitePageUrl(name));
                    QVERIFY2(translated == english || languageLink,
                             qPrintable(page + " -> " + link));
                }
            }
        }
    }
}

void TestBuiltInSite::addressesThatLeadNowhere() {
    const QString site = SiteRoot();
    for (const QString& address :
         {site + QStringLiteral("/flv/gone.htm"), site + QStringLiteral("/flv/"),
          site + QStringLiteral("/flv/../zh/index09.htm"), site + QStringLiteral("/zh/index09.htm"),
          site + QStringLiteral("/flv/zh/index09.htm"), site + QStringLiteral("/index09.htm"),
          site + QStringLiteral("/flv/site.qrc"),
          QStringLiteral("vidmorf://elsewhere/flv/index09.htm"),
          QStringLiteral("vidmorf://translate/other?lp=zh_en&trurl=") +
              EscapeForQuery(ResourcePageUrl()),
          TranslatedUrlOf(QStringLiteral("http://example.org/flv/index09.htm")),
          TranslatedUrlOf(site + QStringLiteral("/flv/gone.htm")),
          QStringLiteral("vidmorf://translate/translate?lp=zh_en"),
          QStringLiteral("vidmorf://translate/translate?lp=en_zh&trurl=") +
              EscapeForQuery(ResourcePageUrl()),
          QStringLiteral("vidmorf://translate/translate?trurl=") +
              EscapeForQuery(ResourcePageUrl())}) {
        const SiteReply reply = AnswerSiteRequest(QUrl(address));
        QVERIFY2(!reply.found, qPrintable(address));
        // Still a page that says so, in both languages, with a way back.
        QCOMPARE(reply.contentType, QByteArrayLiteral("text/html;charset=utf-8"));
        const QString html = QString::fromUtf8(reply.body);
        QVERIFY2(html.contains(QStringLiteral("返回首页")) &&
                     html.contains(QStringLiteral("Back to the start page")),
                 qPrintable(address));
    }
    // A language pair or address is shown as text, never as markup.
    const QString odd = Body(QStringLiteral("vidmorf://translate/translate?lp=%3Cb%3E"));
    QVERIFY(odd.contains(QStringLiteral("&lt;b&gt;")));
}

void TestBuiltInSite::nothingCallsItselfAPlaceholder() {
    static const QRegularExpression placeholder(
        QStringLiteral(
            "占位|佔位|placeholder|Platzhalter|marcador de posición|espace réservé|"
            "заполнитель|заглушк|プレースホルダ|仮の|example\\.(com|org|net)|\\.example"),
        QRegularExpression::CaseInsensitiveOption);
    const QDir packs(QStringLiteral(VM_SOURCE_DIR "/packs"));
    const QStringList names = packs.entryList({QStringLiteral("*.INI")});
    QCOMPARE(names.size(), 8);
    for (const QString& name : names) {
        QFile pack(packs.filePath(name));
        QVERIFY(pack.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(pack.readAll());
        QVERIFY2(!text.contains(placeholder), qPrintable(name));
    }
    // The window's own captions, the About tab's among them.
    test::MemoryPlatform platform;
    Form1 form(platform.platform(), test::kFolder);
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        for (const char* property : {"text", "title", "plainText"}) {
            const QString caption = w->property(property).toString();
            QVERIFY2(!caption.contains(placeholder), qPrintable(w->objectName() + ": " + caption));
        }
    }
    for (const QString& name : SitePageNames()) {
        QVERIFY(!Body(SitePageUrl(name)).contains(placeholder));
        QVERIFY(!Body(TranslatedUrlOf(SitePageUrl(name))).contains(placeholder));
    }
}

QTEST_MAIN(TestBuiltInSite)
#include "tst_built_in_site.moc"
