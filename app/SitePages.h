// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

class Browser;

// Addresses of the maker's pages. Their hosts are set when the build is configured.
QString ResourcePageUrl();
// The resource page through the page-translation service, Chinese to English.
QString TranslatedPageUrl();
// The address as a query value: each ':' written "%3a" and each '/' written "%2f".
QString EscapeForQuery(const QString& url);

// The resource page for a language: untranslated for exactly "简体中文" and "繁體中文".
QString ResourcePageFor(const QString& language);
// Sends the browser to the page for the language unless it shows that address already.
void ShowResourcePage(Browser& browser, const QString& language);

// The About panel's links.
QString MakerHomePage();
QString MakerChatPage();
QString MakerWebLog();
QString MakerMail();

}  // namespace vm
