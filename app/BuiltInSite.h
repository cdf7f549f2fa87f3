// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QUrl;

namespace vm {

// What the built-in site answers to one request.
struct SiteReply {
    QByteArray contentType;
    QByteArray body;
    bool found = true;  // false: the body is the short page that says the address leads nowhere
};

// Answers an address of the built-in site (the scheme kSiteScheme): a page of the resource
// folder in Simplified Chinese, or, behind the translation address (lp=zh_en, trurl= the page's
// address), its English version, with its links leading to English versions too. Any other
// address, language pair or page gets a short page in both languages that says so, never an
// error: the browser always has something to show.
SiteReply AnswerSiteRequest(const QUrl& url);

// The file names of the site's pages, in the order of its menu.
QStringList SitePageNames();

}  // namespace vm
