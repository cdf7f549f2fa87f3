// SPDX-License-Identifier: GPL-3.0-or-later
#include "SiteSetup.h"

#include <unistd.h>

#include <QCoreApplication>

#include "BuiltInSite.h"
#include "SitePages.h"
#include "platform/qt/SiteScheme.h"

namespace vm {

void PrepareBrowserEngine() {
    if (geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    RegisterUrlScheme(kSiteScheme);
}

BuiltInSiteServer::BuiltInSiteServer() {
    InstallSchemeHandler(kSiteScheme, [](const QUrl& url) {
        SiteReply reply = AnswerSiteRequest(url);
        return SchemeReply{std::move(reply.contentType), std::move(reply.body)};
    });
    pages_ = std::make_unique<SchemePageWindow>(kSiteScheme);
}

BuiltInSiteServer::~BuiltInSiteServer() = default;

}  // namespace vm
