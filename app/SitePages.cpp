// SPDX-License-Identifier: GPL-3.0-or-later
#include "SitePages.h"

#include "SiteConfig.h"
#include "platform/Browser.h"

namespace vm {

QString SiteRoot() {
    if (VM_REAL_SITE) {
        return QStringLiteral(VM_SITE_URL);
    }
    return QLatin1String(kSiteScheme) + QLatin1String("://") + QLatin1String(kSiteHost);
}

QString SitePageUrl(const QString& name) {
    return SiteRoot() + QStringLiteral("/flv/") + name;
}

QString ResourcePageUrl() {
    return SitePageUrl(QStringLiteral("index09.htm"));
}

QString EscapeForQuery(const QString& url) {
    QString escaped;
    escaped.reserve(url.size() * 2);
    for (const QChar c : url) {
        if (c == QLatin1Char(':')) {
            escaped += QLatin1String("%3a");
        } else if (c == QLatin1Char('/')) {
            escaped += QLatin1String("%2f");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QString TranslatedUrlOf(const QString& page) {
    const QString service = sizeof(VM_TRANSLATE_URL) > 1
                                ? QStringLiteral(VM_TRANSLATE_URL)
                                : QLatin1String(kSiteScheme) + QLatin1String("://") +
                                      QLatin1String(kTranslateHost) + QLatin1String("/translate");
    return service + QStringLiteral("?lp=zh_en&trurl=") + EscapeForQuery(page);
}

QString TranslatedPageUrl() {
    return TranslatedUrlOf(ResourcePageUrl());
}

QString ResourcePageFor(const QString& language) {
    if (language == QStringLiteral("简体中文") || language == QStringLiteral("繁體中文")) {
        return ResourcePageUrl();
    }
    return TranslatedPageUrl();
}

void ShowResourcePage(Browser& browser, const QString& language) {
    const QString target = ResourcePageFor(language);
    if (browser.locationUrl() != target) {
        browser.navigate(target);
    }
}

QString MakerHomePage() {
    return VM_REAL_SITE ? SiteRoot() + QStringLiteral("/")
                        : SitePageUrl(QStringLiteral("version.htm"));
}

QString MakerChatPage() {
    return VM_REAL_SITE ? SiteRoot() + QStringLiteral("/chat")
                        : SitePageUrl(QStringLiteral("problems.htm"));
}

QString MakerWebLog() {
    return VM_REAL_SITE ? SiteRoot() + QStringLiteral("/blog")
                        : SitePageUrl(QStringLiteral("blog.htm"));
}

QString MakerMail() {
    if (VM_REAL_MAIL) {
        return QStringLiteral("mailto:" VM_CONTACT_MAIL);
    }
    return VM_REAL_SITE ? SiteRoot() + QStringLiteral("/contact")
                        : SitePageUrl(QStringLiteral("contact.htm"));
}

}  // namespace vm
