#pragma once
// Makes a file impossible to change while it lives, even for root (as CI runs): the
// immutable attribute where the file system has it, else the permission bits.

#include <QFile>
#include <QString>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path) : path(path) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        if (fd >= 0) {
            int flags = 0;
            if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags |= FS_IMMUTABLE_FL;
                immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
            }
            ::close(fd);
        }
        if (!immutable && ::geteuid() != 0)
            permissions = QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    }
    ~ReadOnlyFile() {
        if (immutable) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        }
        if (permissions)
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // False where neither works here: the test cannot make its point and says so.
    bool Holds() const { return immutable || permissions; }

private:
    QString path;
    bool immutable = false;
    bool permissions = false;
};
