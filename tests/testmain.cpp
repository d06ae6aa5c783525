// The shared main of every test executable: a QCoreApplication so that event
// loops, timers and queued connections work inside tests, and a temporary home
// so that no test, nor any program a test starts, reads or writes the user's
// own settings. A run that changed them anyway fails.

#include "settingsisolation.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class RealSettingsUntouched : public ::testing::Environment
{
public:
    explicit RealSettingsUntouched(const vidarium::test::SettingsIsolation &isolation)
        : m_isolation(isolation)
    {
    }

    void TearDown() override
    {
        const QStringList changed = m_isolation.realSettingsChanges();
        EXPECT_TRUE(changed.isEmpty())
            << "the user's own settings were changed: " << changed.join(u' ').toStdString();
    }

private:
    const vidarium::test::SettingsIsolation &m_isolation;
};

} // namespace

int main(int argc, char **argv)
{
    // Before anything reads HOME or the XDG folders.
    const vidarium::test::SettingsIsolation isolation;
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new RealSettingsUntouched(isolation));
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("VidariumTests"));
    QCoreApplication::setApplicationName(QStringLiteral("VidariumTests"));
    return RUN_ALL_TESTS();
}
