#include "drop_root.h"
#include "fixture_files.h"
#include "startup/errors.h"
#include "startup/shared_routines.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace veldrin;
using namespace veldrin::testing;

Q_DECLARE_METATYPE(veldrin::ErrorKind)

namespace {

// A folder with files of every kind that the existence tests tell apart.
struct FileTree {
    QTemporaryDir dir;
    QString path(const QString& relative) const { return dir.path() + u'/' + relative; }

    bool build() {
        if (!setMode(dir.path(), 0777))
            return false;
        QDir root(dir.path());
        bool ok = root.mkdir(QStringLiteral("folder")) && root.mkdir(QStringLiteral(".hiddenfolder")) &&
                  root.mkdir(QStringLiteral("locked"));
        for (const char* name : {"file.jpg", ".hidden.jpg", "folder/inner.jpg", ".hiddenfolder/inner.jpg",
                                 "locked/inner.jpg", "写真.jpg", " lead.jpg"})
            ok = ok && writeBytes(path(QString::fromUtf8(name)), "x");
        ok = ok && QFile::link(QStringLiteral("file.jpg"), path(QStringLiteral("link.jpg"))) &&
             QFile::link(QStringLiteral("file.jpg"), path(QStringLiteral(".link.jpg"))) &&
             QFile::link(QStringLiteral("missing.jpg"), path(QStringLiteral("dangling.jpg"))) &&
             QFile::link(QStringLiteral("folder"), path(QStringLiteral("folderlink")));
        ok = ok && ::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0644) == 0;
        return ok && setMode(path(QStringLiteral("locked")), 0700);
    }
};

struct Times {
    timespec access;
    timespec modification;
};

bool setTimes(const QString& path, const Times& t) {
    const timespec both[2] = {t.access, t.modification};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), both, 0) == 0;
}

std::optional<Times> timesOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return Times{st.st_atim, st.st_mtim};
}

bool operator==(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool operator==(const Times& a, const Times& b) {
    return a.access == b.access && a.modification == b.modification;
}

const Times kOldTimes{{946684800, 0}, {946684800, 0}}; // 2000-01-01

} // namespace

class TestSharedRoutines : public QObject {
    Q_OBJECT
private slots:
    void getListItem_data();
    void getListItem();

    void fileExists_data();
    void fileExists();
    void fileExistsRaises_data();
    void fileExistsRaises();

    void copyFileTimes_data();
    void copyFileTimes();
    void copyFileTimesFails_data();
    void copyFileTimesFails();

    void modificationTime();

    void fileErrorKinds_data();
    void fileErrorKinds();
};

void TestSharedRoutines::getListItem_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");

    const QString size = QStringLiteral("100") + u',' + QStringLiteral("100");
    QTest::newRow("size, width") << size << 1 << "100";
    QTest::newRow("size, height") << size << 2 << "100";
    QTest::newRow("size, past the end") << size << 3 << "";
    QTest::newRow("two items, second") << "gif,jpg" << 2 << "jpg";
    QTest::newRow("one item") << "a" << 1 << "a";
    QTest::newRow("one item, past the end") << "a" << 2 << "";
    QTest::newRow("empty list, 1") << "" << 1 << "";
    QTest::newRow("empty list, 2") << "" << 2 << "";
    QTest::newRow("empty list, 32767") << "" << 32767 << "";
    QTest::newRow("null list") << QString() << 1 << "";
    QTest::newRow("leading comma, 1") << ",jpg" << 1 << "";
    QTest::newRow("leading comma, 2") << ",jpg" << 2 << "jpg";
    QTest::newRow("empty middle item") << "gif,,jpg" << 2 << "";
    QTest::newRow("after the empty item") << "gif,,jpg" << 3 << "jpg";
    QTest::newRow("trailing comma, last") << "a,b," << 3 << "";
    QTest::newRow("comma only, 1") << "," << 1 << "";
    QTest::newRow("comma only, 2") << "," << 2 << "";
    QTest::newRow("leading blank kept") << " a,b" << 1 << " a";
    QTest::newRow("blanks kept around") << "a, b ,c" << 2 << " b ";
    QTest::newRow("full-width comma is no separator") << "a，b,c" << 2 << "c";
    QTest::newRow("Japanese items") << "写真,画像" << 2 << "画像";
    QTest::newRow("index 0") << "a,b" << 0 << "";
    QTest::newRow("negative index") << "a,b" << -1 << "";
    QTest::newRow("smallest index") << "a,b" << -32768 << "";
    QTest::newRow("large index") << "a,b" << 32767 << "";
}

void TestSharedRoutines::getListItem() {
    QFETCH(QString, list);
    QFETCH(int, index);
    QFETCH(QString, expected);
    const QString item = GetListItem(list, index);
    QCOMPARE(item, expected);
    QVERIFY(!item.isNull() || expected.isEmpty());
}

void TestSharedRoutines::fileExists_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("normal");  // FileExists
    QTest::addColumn<bool>("anyFile"); // AnyFileExists

    QTest::newRow("normal file") << "file.jpg" << true << true;
    QTest::newRow("Japanese name") << "写真.jpg" << true << true;
    QTest::newRow("name with a leading blank") << " lead.jpg" << true << true;
    QTest::newRow("hidden file") << ".hidden.jpg" << false << true;
    QTest::newRow("file in a folder") << "folder/inner.jpg" << true << true;
    QTest::newRow("file in a hidden folder") << ".hiddenfolder/inner.jpg" << true << true;
    QTest::newRow("folder") << "folder" << false << false;
    QTest::newRow("folder with slash") << "folder/" << false << false;
    QTest::newRow("missing file") << "missing.jpg" << false << false;
    QTest::newRow("missing folder on the way") << "nofolder/file.jpg" << false << false;
    QTest::newRow("file used as a folder") << "file.jpg/x" << false << false;
    QTest::newRow("symlink to a file") << "link.jpg" << true << true;
    QTest::newRow("hidden symlink to a file") << ".link.jpg" << false << true;
    QTest::newRow("dangling symlink") << "dangling.jpg" << false << false;
    QTest::newRow("symlink to a folder") << "folderlink" << false << false;
    QTest::newRow("file through a folder symlink") << "folderlink/inner.jpg" << true << true;
    QTest::newRow("named pipe") << "fifo" << false << false;
}

void TestSharedRoutines::fileExists() {
    QFETCH(QString, relative);
    QFETCH(bool, normal);
    QFETCH(bool, anyFile);
    FileTree tree;
    QVERIFY(tree.build());
    QCOMPARE(FileExists(tree.path(relative)), normal);
    QCOMPARE(AnyFileExists(tree.path(relative)), anyFile);
}

void TestSharedRoutines::fileExistsRaises_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("asUser");
    QTest::addColumn<ErrorKind>("kind");
    QTest::newRow("folder without permission") << "locked/inner.jpg" << true << ErrorKind::PermissionDenied;
    QTest::newRow("missing file in a folder without permission")
        << "locked/none.jpg" << true << ErrorKind::PermissionDenied;
    QTest::newRow("name too long") << QString(300, u'a') << false << ErrorKind::BadFileName;
}

void TestSharedRoutines::fileExistsRaises() {
    QFETCH(QString, relative);
    QFETCH(bool, asUser);
    QFETCH(ErrorKind, kind);
    if (asUser && ::geteuid() != 0)
        QSKIP("acting as another user needs root");
    FileTree tree;
    QVERIFY(tree.build());
    const QString path = tree.path(relative);

    for (const auto& check : {&FileExists, &AnyFileExists}) {
        std::optional<ErrorKind> raised;
        QString description;
        {
            std::optional<DropRoot> user;
            if (asUser)
                user.emplace();
            try {
                (void)check(path);
            } catch (const VeldrinError& e) {
                raised = e.kind();
                description = e.description();
            }
        }
        QCOMPARE(raised, std::optional(kind));
        QVERIFY2(description.contains(path), qPrintable(description));
    }
}

void TestSharedRoutines::copyFileTimes_data() {
    QTest::addColumn<qint64>("accessSeconds");
    QTest::addColumn<qint64>("accessNanoseconds");
    QTest::addColumn<qint64>("modificationSeconds");
    QTest::addColumn<qint64>("modificationNanoseconds");
    QTest::newRow("ordinary") << qint64(1000000000) << qint64(123456789) << qint64(1200000000)
                              << qint64(987654321);
    QTest::newRow("access before modification")
        << qint64(1100000000) << qint64(0) << qint64(1300000000) << qint64(1);
    QTest::newRow("before 1970") << qint64(-86400) << qint64(0) << qint64(-1) << qint64(500000000);
    QTest::newRow("after 2038") << qint64(4102444800) << qint64(1) << qint64(4102444801) << qint64(2);
}

void TestSharedRoutines::copyFileTimes() {
    QFETCH(qint64, accessSeconds);
    QFETCH(qint64, accessNanoseconds);
    QFETCH(qint64, modificationSeconds);
    QFETCH(qint64, modificationNanoseconds);
    FileTree tree;
    const QString source = tree.path(QStringLiteral("picture.tga"));
    const QString destination = tree.path(QStringLiteral("picture_tga.jpg"));
    QVERIFY(writeBytes(source, "source"));
    QVERIFY(writeBytes(destination, "destination"));
    const Times times{{accessSeconds, accessNanoseconds}, {modificationSeconds, modificationNanoseconds}};
    QVERIFY(setTimes(source, times));

    QVERIFY(CopyFileTimes(source, destination));
    QVERIFY(*timesOf(destination) == times);
    QVERIFY(*timesOf(source) == times);
    QCOMPARE(*readBytes(destination), QByteArray("destination"));
}

void TestSharedRoutines::copyFileTimesFails_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("asUser");
    const auto row = [](const char* name, const char* source, const char* destination, bool asUser) {
        QTest::newRow(name) << QString::fromUtf8(source) << QString::fromUtf8(destination) << asUser;
    };
    row("destination missing", "file.jpg", "new.jpg", false);
    row("destination in a missing folder", "file.jpg", "nofolder/new.jpg", false);
    row("source missing", "missing.jpg", "folder/inner.jpg", false);
    row("destination is a folder", "file.jpg", "folder", false);
    row("destination read-only", "file.jpg", "readonly.jpg", true);
    row("source in a folder without permission", "locked/inner.jpg", "mine.jpg", true);
}

void TestSharedRoutines::copyFileTimesFails() {
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(bool, asUser);
    if (asUser && ::geteuid() != 0)
        QSKIP("acting as another user needs root");
    FileTree tree;
    QVERIFY(tree.build());
    // Files of the unprivileged user: it may set their times, but not write the read-only one.
    for (const char* name : {"readonly.jpg", "mine.jpg"}) {
        const QString path = tree.path(QString::fromLatin1(name));
        QVERIFY(writeBytes(path, "x"));
        QVERIFY(::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0 || ::geteuid() != 0);
    }
    QVERIFY(setMode(tree.path(QStringLiteral("readonly.jpg")), 0444));
    QVERIFY(setTimes(tree.path(QStringLiteral("file.jpg")), {{1000000000, 0}, {1000000000, 0}}));
    const QString destinationPath = tree.path(destination);
    const bool existed = QFileInfo::exists(destinationPath);
    if (existed)
        QVERIFY(setTimes(destinationPath, kOldTimes));
    const QStringList before = entriesOf(tree.dir.path());

    bool copied = true;
    {
        std::optional<DropRoot> user;
        if (asUser)
            user.emplace();
        copied = CopyFileTimes(tree.path(source), destinationPath);
    }
    QVERIFY(!copied);
    QCOMPARE(entriesOf(tree.dir.path()), before);
    QCOMPARE(QFileInfo::exists(destinationPath), existed);
    if (existed)
        QVERIFY(*timesOf(destinationPath) == kOldTimes);
}

void TestSharedRoutines::modificationTime() {
    FileTree tree;
    const QString file = tree.path(QStringLiteral("f.jpg"));
    QVERIFY(writeBytes(file, "x"));
    QVERIFY(setTimes(file, {{5, 0}, {1234567890, 987654321}}));
    QCOMPARE(veldrin::modificationTime(file), std::optional(QDateTime::fromMSecsSinceEpoch(1234567890987LL)));
    QCOMPARE(veldrin::modificationTime(tree.path(QStringLiteral("missing.jpg"))), std::nullopt);
}

void TestSharedRoutines::fileErrorKinds_data() {
    QTest::addColumn<int>("errnoValue");
    QTest::addColumn<bool>("creating");
    QTest::addColumn<ErrorKind>("kind");
    QTest::newRow("missing entry while creating: folder on the way")
        << ENOENT << true << ErrorKind::PathNotFound;
    QTest::newRow("missing entry while reading: the file") << ENOENT << false << ErrorKind::FileNotFound;
    QTest::newRow("not a folder") << ENOTDIR << false << ErrorKind::PathNotFound;
    QTest::newRow("no permission") << EACCES << true << ErrorKind::PermissionDenied;
    QTest::newRow("read-only file system") << EROFS << true << ErrorKind::PermissionDenied;
    QTest::newRow("disk full") << ENOSPC << true << ErrorKind::DiskFull;
    QTest::newRow("file size limit") << EFBIG << true << ErrorKind::DiskFull;
    QTest::newRow("quota") << EDQUOT << true << ErrorKind::DiskFull;
    QTest::newRow("device") << EIO << true << ErrorKind::DeviceError;
    QTest::newRow("name too long") << ENAMETOOLONG << true << ErrorKind::BadFileName;
    QTest::newRow("anything else") << EBUSY << true << ErrorKind::Other;
}

void TestSharedRoutines::fileErrorKinds() {
    QFETCH(int, errnoValue);
    QFETCH(bool, creating);
    QFETCH(ErrorKind, kind);
    const QString path = QStringLiteral("/some/写真.jpg");
    const VeldrinError e = fileError(errnoValue, path, creating);
    QCOMPARE(e.kind(), kind);
    QVERIFY(e.description().contains(path));
    QVERIFY(!e.description().isEmpty());
}

QTEST_GUILESS_MAIN(TestSharedRoutines)
#include "tst_shared_routines.moc"
