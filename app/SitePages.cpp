// SPDX-License-Identifier: GPL-3.0-or-later
#include "SitePages.h"

#include "SiteConfig.h"
#include "platform/Browser.h"

namespace vm {

QString ResourcePageUrl() {
    return QStringLiteral("http://" VM_SITE_HOST "/flv/index09.htm");
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

QString TranslatedPageUrl() {
    return QStringLiteral("http://" VM_TRANSLATE_HOST "/translate?lp=zh_en&trurl=") +
           EscapeForQuery(ResourcePageUrl());
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
    return QStringLiteral("http://" VM_SITE_HOST "/");
}

QString MakerChatPage() {
    return QStringLiteral("http://" VM_SITE_HOST "/chat");
}

QString MakerWebLog() {
    return QStringLiteral("http://" VM_SITE_HOST "/blog");
}

QString MakerMail() {
    return QStringLiteral("mailto:contact@" VM_SITE_HOST);
}

}  // namespace vm
