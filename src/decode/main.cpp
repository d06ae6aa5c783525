// vidarium-decode: serves the in-process importer's requests over standard
// input and output, one answer per request, until its input closes. The
// importer kills it when it stops answering and starts another when it dies.

#include "import/av/avimportprotocol.h"
#include "import/av/avimportwork.h"
#include "platform/threadpriority.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

bool readExactly(char *buffer, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const ssize_t n = ::read(STDIN_FILENO, buffer + got, size_t(size - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += n;
    }
    return true;
}

bool writeAll(const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const ssize_t n
            = ::write(STDOUT_FILENO, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // A helper outliving the application would hold files open for nobody.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1)
        return 0;
    // Decoding for an import is background work, whoever started the helper.
    vidarium::lowerCurrentThreadPriority();
    av_log_set_level(AV_LOG_QUIET);
    QCoreApplication app(argc, argv);
    const bool allowTestRequests
        = app.arguments().contains(QStringLiteral("--allow-test-requests"));

    using namespace vidarium;
    for (;;) {
        char header[4];
        if (!readExactly(header, 4))
            return 0;
        Result<qint64> length = AVImportProtocol::messageLength(header);
        if (!length)
            return 1;
        QByteArray body(*length, Qt::Uninitialized);
        if (!readExactly(body.data(), *length))
            return 0;
        Result<QCborMap> request = AVImportProtocol::parse(body);
        const QCborMap answer = request ? AVImportWork::perform(*request, allowTestRequests)
                                        : AVImportProtocol::failure(request.error().message());
        if (!writeAll(AVImportProtocol::frame(answer)))
            return 0;
    }
}
