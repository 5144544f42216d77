// The guard on Windows: named kernel objects in the user's session
// (the "Local\" namespace), which the system removes with the last handle,
// so a program that crashed leaves nothing that blocks the next start.
//   <name>          a mutex: whoever creates it runs
//   <name>.raise    an event that a later start sets: the holder comes to
//                   the front, from its event loop
//   <name>.pid      the holder's process id, so that a later start, which
//                   the user has just brought to the foreground, may hand
//                   the foreground on to it (Windows refuses it otherwise)
// The event and the process id are made before the mutex: a start that
// finds the mutex finds them too.
#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QWinEventNotifier>

#include <windows.h>

#include <string>

namespace {

std::wstring object_name(const QString& name, const wchar_t* suffix)
{
    return L"Local\\" + name.toStdWString() + suffix;
}

struct tHandle {
    HANDLE handle = nullptr;
    tHandle() = default;
    tHandle(const tHandle&) = delete;
    tHandle& operator=(const tHandle&) = delete;
    ~tHandle() { reset(); }
    void reset(HANDLE h = nullptr)
    {
        if (handle)
            CloseHandle(handle);
        handle = h;
    }
};

// Asks the holder to come to the front.
void ask_holder_to_come_forward(const QString& name)
{
    tHandle pid_map;
    pid_map.reset(OpenFileMappingW(FILE_MAP_READ, FALSE, object_name(name, L".pid").c_str()));
    if (pid_map.handle) {
        if (const void* view = MapViewOfFile(pid_map.handle, FILE_MAP_READ, 0, 0, sizeof(DWORD))) {
            AllowSetForegroundWindow(*static_cast<const DWORD*>(view));
            UnmapViewOfFile(view);
        }
    }
    tHandle raise;
    raise.reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, object_name(name, L".raise").c_str()));
    if (raise.handle)
        SetEvent(raise.handle);
}

// Restores this program's windows that are shown but minimised, and puts
// the first of them in the foreground. Qt may not know that Windows
// minimised a window (from the task bar, or with Windows+D), and a window
// that Windows keeps minimised stays so however it is raised; Windows
// restores it when asked in its own terms.
BOOL CALLBACK restore_if_minimised(HWND window, LPARAM foreground)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    if (IsIconic(window)) {
        ShowWindow(window, SW_RESTORE);
        if (!*reinterpret_cast<HWND*>(foreground))
            *reinterpret_cast<HWND*>(foreground) = window;
    }
    return TRUE;
}

void restore_minimised_windows()
{
    HWND foreground = nullptr;
    EnumWindows(restore_if_minimised, reinterpret_cast<LPARAM>(&foreground));
    if (foreground)
        SetForegroundWindow(foreground); // allowed: the later start handed the foreground on
}

} // namespace

struct tSingleInstance::tPrivate {
    QString name;
    tHandle mutex;
    tHandle raise;
    tHandle pid_map;
    std::unique_ptr<QWinEventNotifier> notifier;
};

QString single_instance_name(const std::string& worksheet_path)
{
    // The same file reached through another spelling of its folder, or in
    // other capitals (Windows' file names ignore case), is the same file.
    const QFileInfo file(QString::fromUtf8(worksheet_path.c_str()));
    QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(file.absolutePath());
    const QString path = (folder + QLatin1Char('/') + file.fileName()).toCaseFolded();
    const QByteArray hash =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    return QStringLiteral("brenlow-") + QString::fromLatin1(hash);
}

tSingleInstance::tSingleInstance(const QString& name) : d_(new tPrivate)
{
    d_->name = name;
}

tSingleInstance::~tSingleInstance() = default;

bool tSingleInstance::claim(std::function<void()> bring_to_front)
{
    // Auto-reset: each set wakes the holder once.
    d_->raise.reset(CreateEventW(nullptr, FALSE, FALSE, object_name(d_->name, L".raise").c_str()));
    d_->pid_map.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD),
                                         object_name(d_->name, L".pid").c_str()));
    SetLastError(ERROR_SUCCESS); // only "already exists" is set on success
    d_->mutex.reset(CreateMutexW(nullptr, FALSE, object_name(d_->name, L"").c_str()));
    if (!d_->mutex.handle)
        return true; // no guard can be made here: run unguarded rather than not at all
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        d_->mutex.reset();
        d_->pid_map.reset();
        d_->raise.reset();
        ask_holder_to_come_forward(d_->name);
        return false;
    }
    if (d_->pid_map.handle) {
        if (void* view = MapViewOfFile(d_->pid_map.handle, FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
            *static_cast<DWORD*>(view) = GetCurrentProcessId();
            UnmapViewOfFile(view);
        }
    }
    if (d_->raise.handle) {
        d_->notifier = std::make_unique<QWinEventNotifier>(d_->raise.handle);
        QObject::connect(d_->notifier.get(), &QWinEventNotifier::activated, d_->notifier.get(),
                         [bring_to_front](HANDLE) {
                             if (bring_to_front)
                                 bring_to_front();
                             restore_minimised_windows();
                         });
    }
    return true;
}
