// The guard on a local socket in the user's private guard folder
// (common/process_setup.h), beside a lock file. The lock decides who runs: a
// lock whose process has ended is taken over, so a crash never blocks the
// next start. The socket only carries the request to come to the front.
#include "app/single_instance.h"

#include "common/process_setup.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QMessageBox>
#include <QThread>

#include <cstdio>

namespace {

// How long a second start waits for a first one that holds the lock but is
// still starting and not yet listening.
constexpr int kConnectAttempts = 30;
constexpr int kConnectWaitMs = 100;

QString runtime_folder()
{
    // Private to the user (mode 0700, the user's own), so no one else can
    // take or answer the name; never a guessable name in the shared
    // temporary folder, where another user could make it first. Not the
    // runtime folder: a program started without XDG_RUNTIME_DIR must find
    // the guard of one started with it.
    return QString::fromLocal8Bit(guard_folder().c_str());
}

void say(const QString& text)
{
    std::fprintf(stderr, "brenlow: %s\n", text.toLocal8Bit().constData());
}

} // namespace

struct tSingleInstance::tPrivate {
    QString name;
    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<QLocalServer> server;
};

QString single_instance_name(const std::string& worksheet_path)
{
    // The same file reached through another spelling of its folder is the
    // same file.
    const QFileInfo file(QString::fromLocal8Bit(worksheet_path.c_str()));
    QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        folder = file.absolutePath();
    const QByteArray hash = QCryptographicHash::hash((folder + QLatin1Char('/') + file.fileName()).toUtf8(),
                                                     QCryptographicHash::Sha256)
                                .toHex()
                                .left(24);
    return QStringLiteral("brenlow-") + QString::fromLatin1(hash);
}

tSingleInstance::tSingleInstance(const QString& name) : d_(new tPrivate)
{
    d_->name = name;
}

tSingleInstance::~tSingleInstance()
{
    if (d_->server)
        d_->server->close();
}

bool tSingleInstance::claim(std::function<void()> bring_to_front)
{
    const QString folder = runtime_folder();
    if (folder.isEmpty()) {
        say(QStringLiteral("no private folder for the one-program guard (~/.cache/brenlow in the account's "
                           "home); starting without it"));
        return true; // run unguarded rather than not at all
    }
    const QString base = folder + QLatin1Char('/') + d_->name;
    d_->lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    d_->lock->setStaleLockTime(0); // held for the program's life: only a dead holder is stale
    if (!d_->lock->tryLock(0)) {
        if (d_->lock->error() != QLockFile::LockFailedError) {
            say(QStringLiteral("the one-program guard cannot be kept in ") + folder + QStringLiteral("; starting without it"));
            return true; // no lock can be made here: run unguarded rather than not at all
        }
        for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
            QLocalSocket socket;
            socket.connectToServer(base + QStringLiteral(".socket"));
            if (socket.waitForConnected(kConnectWaitMs)) {
                socket.write("raise\n");
                socket.waitForBytesWritten(1000);
                socket.disconnectFromServer();
                return false;
            }
            QThread::msleep(kConnectWaitMs);
        }
        // The holder runs but does not answer: still one program only, and
        // the user is told why this one does not open.
        qint64 pid = 0;
        QString host, application;
        d_->lock->getLockInfo(&pid, &host, &application);
        const QString text = QStringLiteral("Brenlow is already running (process %1) on this worksheet file but does "
                                            "not answer; this start ends.")
                                 .arg(pid);
        say(text);
        QMessageBox::warning(nullptr, QStringLiteral("Brenlow"), text);
        return false;
    }
    // Holding the lock, any socket of that name was left by a crash.
    const QString socket_name = base + QStringLiteral(".socket");
    QLocalServer::removeServer(socket_name);
    d_->server = std::make_unique<QLocalServer>();
    d_->server->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(d_->server.get(), &QLocalServer::newConnection, d_->server.get(),
                     [server = d_->server.get(), bring_to_front]() {
                         while (QLocalSocket* socket = server->nextPendingConnection()) {
                             QObject::connect(socket, &QLocalSocket::disconnected, socket,
                                              &QObject::deleteLater);
                             socket->disconnectFromServer();
                         }
                         if (bring_to_front)
                             bring_to_front();
                     });
    d_->server->listen(socket_name); // a failure leaves the program unguarded, not stopped
    return true;
}
