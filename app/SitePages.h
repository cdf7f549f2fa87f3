// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

class Browser;

// The URL scheme of the pages built into the program, and its two hosts: the site and the
// translation service.
inline constexpr char kSiteScheme[] = "vidmorf";
inline constexpr char kSiteHost[] = "site";
inline constexpr char kTranslateHost[] = "translate";

// The maker's web site without a trailing slash: the configured one, else the built-in one.
QString SiteRoot();
// A page of the site's resource folder, e.g. SitePageUrl("index09.htm").
QString SitePageUrl(const QString& name);
// The address of the resource page: the site's /flv/index09.htm.
QString ResourcePageUrl();
// The translation service's address for a page, Chinese to English.
QString TranslatedUrlOf(const QString& page);
// The resource page through the translation service.
QString TranslatedPageUrl();
// The address as a query value: each ':' written "%3a" and each '/' written "%2f".
QString EscapeForQuery(const QString& url);

// The resource page for a language: untranslated for exactly "简体中文" and "繁體中文".
QString ResourcePageFor(const QString& language);
// Sends the browser to the page for the language unless it shows that address already.
void ShowResourcePage(Browser& browser, const QString& language);

// The About panel's links: pages of the built-in site unless real addresses were configured.
QString MakerHomePage();  // the version and what is new
QString MakerChatPage();  // answers to common questions
QString MakerWebLog();
QString MakerMail();  // a mailto: address, or the page on how to reach us

}  // namespace vm
