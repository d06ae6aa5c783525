#include "import/av/avimporthelperpool.h"

#include "import/av/avimporthelper.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vidarium {

namespace {

const QString HelperName = QStringLiteral("vidarium-decode");

bool isProgram(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

AVImportHelperPool::AVImportHelperPool(QString program)
    : m_program(program.isEmpty() ? helperProgram() : std::move(program))
{
}

AVImportHelperPool::~AVImportHelperPool() = default;

QString AVImportHelperPool::helperProgram()
{
    const QString fromEnvironment = qEnvironmentVariable("VIDARIUM_DECODE_HELPER");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (QCoreApplication::instance()) {
        const QString beside
            = QCoreApplication::applicationDirPath() + QLatin1Char('/') + HelperName;
        if (isProgram(beside))
            return beside;
    }
#ifdef VIDARIUM_DECODE_HELPER_PATH
    if (isProgram(QStringLiteral(VIDARIUM_DECODE_HELPER_PATH)))
        return QStringLiteral(VIDARIUM_DECODE_HELPER_PATH);
#endif
    return {};
}

void AVImportHelperPool::setMaximumHelpers(int count)
{
    std::lock_guard lock(m_mutex);
    m_maximumHelpers = std::max(1, count);
    while (int(m_idle.size()) > m_maximumHelpers)
        m_idle.pop_back();
}

int AVImportHelperPool::startedHelpers() const
{
    std::lock_guard lock(m_mutex);
    return m_started;
}

Result<std::unique_ptr<AVImportHelper>> AVImportHelperPool::acquire()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            std::unique_ptr<AVImportHelper> helper = std::move(m_idle.back());
            m_idle.pop_back();
            return helper;
        }
        ++m_started;
    }
    if (m_program.isEmpty())
        return Error(Error::Code::NotFound,
            QStringLiteral("The decode helper %1 was not found").arg(HelperName));
    QStringList arguments;
    if (m_allowTestRequests)
        arguments << QStringLiteral("--allow-test-requests");
    return AVImportHelper::start(m_program, arguments);
}

void AVImportHelperPool::release(std::unique_ptr<AVImportHelper> helper)
{
    if (!helper->isAlive())
        return;
    std::unique_ptr<AVImportHelper> surplus;
    std::lock_guard lock(m_mutex);
    if (int(m_idle.size()) < m_maximumHelpers)
        m_idle.push_back(std::move(helper));
    else
        surplus = std::move(helper); // stopped once the lock is released
}

Result<QCborMap> AVImportHelperPool::exchange(
    const QCborMap &request, std::chrono::milliseconds deadline)
{
    Result<std::unique_ptr<AVImportHelper>> helper = acquire();
    if (!helper)
        return helper.error();
    Result<QCborMap> answer = (*helper)->exchange(request, deadline);
    release(std::move(*helper));
    return answer;
}

} // namespace vidarium
