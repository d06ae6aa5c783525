// The shared main of every test executable: a QCoreApplication so that event
// loops, timers and queued connections work inside tests.

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("VidariumTests"));
    QCoreApplication::setApplicationName(QStringLiteral("VidariumTests"));
    return RUN_ALL_TESTS();
}
