#include "Fixtures.h"

#include "db/MessageDatabase.h"

#include <QFile>
#include <QProcess>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include <gtest/gtest.h>

namespace lng::test {

void createDatabase(const QString &path, const std::vector<Message> &messages)
{
    QString error;
    ASSERT_TRUE(MessageDatabase::create(path, &error)) << error.toStdString();
    MessageDatabase db;
    ASSERT_TRUE(db.open(path, MessageDatabase::Access::ReadWrite, &error)) << error.toStdString();
    ASSERT_TRUE(db.begin(&error));
    for (const Message &message : messages) {
        MessageDatabase::FieldValues values(message.fields.begin(), message.fields.end());
        ASSERT_TRUE(db.addRecord(message.number, values, &error)) << error.toStdString();
    }
    ASSERT_TRUE(db.commit(&error));
}

namespace {
constexpr uid_t kNobody = 65534;
} // namespace

QString inChildProcess(const std::function<void()> &setUp, const std::function<QString()> &body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        setUp();
        const QByteArray answer = body().toUtf8();
        for (qsizetype done = 0; done < answer.size();) {
            const ssize_t n = write(fds[1], answer.constData() + done, static_cast<std::size_t>(answer.size() - done));
            if (n <= 0)
                break;
            done += n;
        }
        _exit(0);
    }
    close(fds[1]);
    QByteArray answer;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        answer.append(buffer, n);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return QStringLiteral("the child was killed by signal %1").arg(WTERMSIG(status));
    return QString::fromUtf8(answer);
}

void becomeUnprivileged()
{
    if (geteuid() != 0)
        return;
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
        std::abort();
}

void handOver(const QString &path, int mode)
{
    const QByteArray name = QFile::encodeName(path);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(name.constData(), kNobody, kNobody), 0) << name.constData();
    }
    ASSERT_EQ(chmod(name.constData(), static_cast<mode_t>(mode)), 0) << name.constData();
}

void execSql(const QString &path, const QString &sql)
{
    sqlite::Connection connection;
    QString error;
    ASSERT_TRUE(connection.open(path, sqlite::Connection::Mode::ReadWrite, &error)) << error.toStdString();
    ASSERT_TRUE(connection.exec(sql.toUtf8().constData(), &error)) << error.toStdString();
}

std::optional<QString> readField(const QString &path, qint64 number, int field)
{
    sqlite::Connection connection;
    QString error;
    if (!connection.open(path, sqlite::Connection::Mode::ReadOnly, &error))
        return std::nullopt;
    sqlite::Statement select;
    MessageDatabase db;
    db.open(path, MessageDatabase::Access::ReadOnly, &error);
    select.prepare(connection,
                   QStringLiteral("SELECT %1 FROM Languages WHERE %2 = ?1").arg(db.fieldName(field), db.fieldName(0)), &error);
    select.bindInt(1, number);
    if (select.step() != sqlite::Statement::Step::Row)
        return std::nullopt;
    return select.optionalText(0);
}

bool recordExists(const QString &path, qint64 number)
{
    sqlite::Connection connection;
    QString error;
    connection.open(path, sqlite::Connection::Mode::ReadOnly, &error);
    sqlite::Statement select;
    select.prepare(connection, QStringLiteral("SELECT 1 FROM Languages WHERE Number = ?1"), &error);
    select.bindInt(1, number);
    return select.step() == sqlite::Statement::Step::Row;
}

int recordCount(const QString &path)
{
    sqlite::Connection connection;
    QString error;
    connection.open(path, sqlite::Connection::Mode::ReadOnly, &error);
    sqlite::Statement select;
    select.prepare(connection, QStringLiteral("SELECT count(*) FROM Languages"), &error);
    select.step();
    return static_cast<int>(select.integer(0));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

int runProgram(const QString &program, const QStringList &args, QString *output)
{
    QProcess process;
    process.start(program, args);
    const bool finished = process.waitForFinished(60000);
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

BenchFixture::BenchFixture()
{
    state.catalogue.fill();
    bench = std::make_unique<Workbench>(state, prompts, clipboard, dir.path());
    bench->formLoad();
}

void BenchFixture::loadWith(const std::vector<Message> &messages)
{
    createDatabase(dbPath(), messages);
    ASSERT_TRUE(bench->LoadTable()) << prompts.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(prompts.shown.empty()) << prompts.texts().join(QLatin1Char('|')).toStdString();
}

} // namespace lng::test
