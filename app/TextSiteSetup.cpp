// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in site in the text browser, for a Qt without a web engine.
#include "BuiltInSite.h"
#include "SitePages.h"
#include "SiteSetup.h"
#include "platform/qt/TextBrowser.h"

namespace vm {

// The window of the About tab's pages that SiteSetup.h holds: here a text browser's.
class SchemePageWindow : public TextPageWindow {
  public:
    using TextPageWindow::TextPageWindow;
};

void PrepareBrowserEngine() {
    // A text browser is a widget like any other: nothing to ready before the application.
}

BuiltInSiteServer::BuiltInSiteServer() {
    InstallTextScheme(kSiteScheme, [](const QUrl& url) {
        SiteReply reply = AnswerSiteRequest(url);
        return TextPage{std::move(reply.contentType), std::move(reply.body)};
    });
    pages_ = std::make_unique<SchemePageWindow>(kSiteScheme);
}

BuiltInSiteServer::~BuiltInSiteServer() {
    pages_.reset();
    RemoveTextScheme(kSiteScheme);
}

}  // namespace vm
