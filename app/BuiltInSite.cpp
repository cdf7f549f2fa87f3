// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuiltInSite.h"

#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>
#include <array>

#include "SitePages.h"

// The pages live in a static library; its resources must be registered by hand.
static void InitSitePages() {
    Q_INIT_RESOURCE(site);
}

namespace vm {

namespace {

struct Page {
    const char* file;
    const char* zh;  // the menu's caption in each language
    const char* en;
};

// The menu of every page, in this order.
constexpr std::array<Page, 8> kPages{{
    {"index09.htm", "首页", "Home"},
    {"settings.htm", "参数选择", "Settings"},
    {"files.htm", "文件与停止", "Files and stopping"},
    {"problems.htm", "常见问题", "Problems"},
    {"packs.htm", "制作语言包", "Language packs"},
    {"version.htm", "版本与更新", "Version"},
    {"blog.htm", "开发日志", "Web log"},
    {"contact.htm", "联系我们", "Contact"},
}};

enum class Language { Chinese, English };

const QByteArray kHtml = QByteArrayLiteral("text/html;charset=utf-8");

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString ReadResource(const QString& path) {
    InitSitePages();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// The body of a page: resources/site/zh or en, the file name checked against the menu.
QString PageBody(Language language, const QString& name) {
    for (const Page& page : kPages) {
        if (name == QLatin1String(page.file)) {
            return ReadResource(
                QStringLiteral(":/site/") +
                (language == Language::Chinese ? QStringLiteral("zh/") : QStringLiteral("en/")) +
                name);
        }
    }
    return {};
}

// The address of a page in a language: the site's own, or the translation's.
QString PageAddress(Language language, const QString& name) {
    const QString page = SitePageUrl(name);
    return language == Language::Chinese ? page : TranslatedUrlOf(page);
}

// Links between pages, href="NAME.htm" with an optional #anchor, lead to the page in the same
// language.
QString LinkPages(QString body, Language language) {
    static const QRegularExpression link(
        QStringLiteral(R"(href="([a-z0-9-]+\.htm)(#[a-z0-9-]+)?")"));
    QString out;
    qsizetype at = 0;
    for (auto it = link.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += body.mid(at, m.capturedStart() - at);
        out += QStringLiteral("href=\"") + Escaped(PageAddress(language, m.captured(1))) +
               m.captured(2) + QLatin1Char('"');
        at = m.capturedEnd();
    }
    out += body.mid(at);
    return out;
}

QString Menu(Language language, const QString& current) {
    QString menu = QStringLiteral("<nav>");
    for (const Page& page : kPages) {
        const QString caption =
            QString::fromUtf8(language == Language::Chinese ? page.zh : page.en);
        if (current == QLatin1String(page.file)) {
            menu += QStringLiteral("<b>") + caption + QStringLiteral("</b> ");
        } else {
            menu += QStringLiteral("<a href=\"") +
                    Escaped(PageAddress(language, QLatin1String(page.file))) +
                    QStringLiteral("\">") + caption + QStringLiteral("</a> ");
        }
    }
    return menu + QStringLiteral("</nav>");
}

// A whole page around a body whose first line is its <h1> title. `other` is the same page in
// the other language, if there is one.
QByteArray Framed(Language language, const QString& current, const QString& body,
                  const QString& other) {
    static const QRegularExpression heading(QStringLiteral("<h1>(.*?)</h1>"));
    const QString title = heading.match(body).captured(1);
    const bool chinese = language == Language::Chinese;
    QString html = QStringLiteral("<!DOCTYPE html><html lang=\"") +
                   (chinese ? QStringLiteral("zh-CN") : QStringLiteral("en")) +
                   QStringLiteral("\"><head><meta charset=\"utf-8\"><title>") + title +
                   QStringLiteral(" – Vidmorf</title><link rel=\"stylesheet\" href=\"") +
                   Escaped(SitePageUrl(QStringLiteral("site.css"))) +
                   QStringLiteral("\"></head><body><header><span>Vidmorf</span> ");
    if (!other.isEmpty()) {
        html +=
            QStringLiteral("<a class=\"lang\" href=\"") + Escaped(other) + QStringLiteral("\">") +
            (chinese ? QStringLiteral("English") : QStringLiteral("中文")) + QStringLiteral("</a>");
    }
    html += QStringLiteral("</header><main>") + LinkPages(body, language) +
            QStringLiteral("</main><footer>") + Menu(language, current) +
            QStringLiteral("</footer></body></html>");
    return html.toUtf8();
}

SiteReply NotFound(const QString& zh, const QString& en) {
    const QString body = QStringLiteral("<h1>") + zh + QStringLiteral("</h1><p>") + en +
                         QStringLiteral("</p><p><a href=\"index09.htm\">返回首页</a> · ") +
                         QStringLiteral("<a href=\"") + Escaped(TranslatedPageUrl()) +
                         QStringLiteral("\">Back to the start page</a></p>");
    return {kHtml, Framed(Language::Chinese, QString(), body, QString()), false};
}

SiteReply UnknownPage() {
    return NotFound(QStringLiteral("这个页面不存在"),
                    QStringLiteral("There is no such page on this site."));
}

// The name of a page in the site's resource folder that an address names, else empty.
QString PageNameOf(const QString& address) {
    const QString folder = SiteRoot() + QStringLiteral("/flv/");
    if (!address.startsWith(folder)) {
        return {};
    }
    return address.mid(folder.size()).section(QLatin1Char('#'), 0, 0);
}

SiteReply SitePage(const QString& path) {
    if (path == QLatin1String("/flv/site.css")) {
        return {QByteArrayLiteral("text/css;charset=utf-8"),
                ReadResource(QStringLiteral(":/site/site.css")).toUtf8()};
    }
    const QString name = path.startsWith(QLatin1String("/flv/")) ? path.mid(5) : QString();
    const QString body = PageBody(Language::Chinese, name);
    if (body.isEmpty()) {
        return UnknownPage();
    }
    return {kHtml, Framed(Language::Chinese, name, body, PageAddress(Language::English, name))};
}

SiteReply Translation(const QUrl& url) {
    const QUrlQuery query(url);
    const QString pair = query.queryItemValue(QStringLiteral("lp"), QUrl::FullyDecoded);
    if (pair != QLatin1String("zh_en")) {
        return NotFound(
            QStringLiteral("无法翻译：只提供中文到英文的翻译（lp=zh_en）"),
            QStringLiteral("This service translates from Chinese to English only "
                           "(lp=zh_en); it cannot translate ") +
                Escaped(pair.isEmpty() ? QStringLiteral("without a language pair")
                                       : QStringLiteral("“") + pair + QStringLiteral("”")) +
                QLatin1Char('.'));
    }
    const QString page = query.queryItemValue(QStringLiteral("trurl"), QUrl::FullyDecoded);
    const QString name = PageNameOf(page);
    const QString body = PageBody(Language::English, name);
    if (body.isEmpty()) {
        return NotFound(QStringLiteral("无法翻译：没有这个页面的英文版"),
                        QStringLiteral("There is no English version of ") +
                            Escaped(page.isEmpty() ? QStringLiteral("an empty address") : page) +
                            QLatin1Char('.'));
    }
    return {kHtml, Framed(Language::English, name, body, SitePageUrl(name))};
}

}  // namespace

SiteReply AnswerSiteRequest(const QUrl& url) {
    if (url.scheme() != QLatin1String(kSiteScheme)) {
        return UnknownPage();
    }
    if (url.host() == QLatin1String(kSiteHost)) {
        return SitePage(url.path());
    }
    if (url.host() == QLatin1String(kTranslateHost) && url.path() == QLatin1String("/translate")) {
        return Translation(url);
    }
    return UnknownPage();
}

QStringList SitePageNames() {
    QStringList names;
    for (const Page& page : kPages) {
        names << QLatin1String(page.file);
    }
    return names;
}

}  // namespace vm
