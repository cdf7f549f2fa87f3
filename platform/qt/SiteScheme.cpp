// SPDX-License-Identifier: GPL-3.0-or-later
#include "SiteScheme.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineView>

namespace vm {

void RegisterUrlScheme(const QByteArray& scheme) {
    if (QWebEngineUrlScheme::schemeByName(scheme).name() == scheme) {
        return;
    }
    QWebEngineUrlScheme entry(scheme);
    entry.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    entry.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(entry);
}

SchemeHandler::SchemeHandler(SchemeAnswer answer, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), answer_(std::move(answer)) {}

void SchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const SchemeReply reply = answer_(job->requestUrl());
    // The job reads the buffer later; the buffer goes with the job.
    auto* buffer = new QBuffer(job);
    buffer->setData(reply.body);
    buffer->open(QIODevice::ReadOnly);
    job->reply(reply.contentType, buffer);
}

void InstallSchemeHandler(const QByteArray& scheme, SchemeAnswer answer,
                          QWebEngineProfile* profile) {
    if (!profile) {
        profile = QWebEngineProfile::defaultProfile();
    }
    if (profile->urlSchemeHandler(scheme)) {
        return;
    }
    profile->installUrlSchemeHandler(scheme, new SchemeHandler(std::move(answer), profile));
}

SchemePageWindow::SchemePageWindow(const QByteArray& scheme, QObject* parent)
    : QObject(parent), scheme_(scheme) {
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme_), this, "open");
}

SchemePageWindow::~SchemePageWindow() {
    QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme_));
    delete view_;
}

void SchemePageWindow::open(const QUrl& url) {
    if (!view_) {
        view_ = new QWebEngineView;
        view_->setAttribute(Qt::WA_DeleteOnClose);
        view_->resize(560, 420);
        connect(view_, &QWebEngineView::titleChanged, view_, &QWidget::setWindowTitle);
    }
    view_->load(url);
    view_->show();
    view_->raise();
    view_->activateWindow();
}

}  // namespace vm
