// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <functional>

class QUrl;
class QWebEngineProfile;

namespace vm {

// A page that a URL scheme of the program's own answers with.
struct SchemeReply {
    QByteArray contentType;
    QByteArray body;
};
using SchemeAnswer = std::function<SchemeReply(const QUrl&)>;

// Makes a scheme with hosts (scheme://host/path) known to the browser engine as secure and
// local (other schemes may not load it). Must run before the application object exists.
void RegisterUrlScheme(const QByteArray& scheme);

// Answers every request of one scheme in the process itself: no socket, no network.
class SchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
  public:
    SchemeHandler(SchemeAnswer answer, QObject* parent = nullptr);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

  private:
    SchemeAnswer answer_;
};

// Installs the handler for the scheme in the profile that the program's views use.
void InstallSchemeHandler(const QByteArray& scheme, SchemeAnswer answer,
                          QWebEngineProfile* profile = nullptr);

// Opens links of the scheme (from the About tab) in a window of their own, since no other
// program knows the scheme. One window, reused.
class SchemePageWindow : public QObject {
    Q_OBJECT
  public:
    explicit SchemePageWindow(const QByteArray& scheme, QObject* parent = nullptr);
    ~SchemePageWindow() override;
    QWebEngineView* view() const { return view_; }

  public slots:
    void open(const QUrl& url);

  private:
    QByteArray scheme_;
    QPointer<QWebEngineView> view_;
};

}  // namespace vm
