#include "platform/applicationlauncher.h"

#include "platform/filepath.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

// GLib names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
extern "C" {
#include <gio/gio.h>
}
#pragma pop_macro("signals")

#include <algorithm>
#include <memory>

namespace vidarium {

namespace {

struct GObjectDeleter
{
    void operator()(gpointer object) const noexcept
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;

struct GFreeDeleter
{
    void operator()(gpointer memory) const noexcept { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct AppInfoListDeleter
{
    void operator()(GList *list) const noexcept { g_list_free_full(list, g_object_unref); }
};
using AppInfoList = std::unique_ptr<GList, AppInfoListDeleter>;

QString takeError(GError *error, const QString &fallback)
{
    if (!error)
        return fallback;
    QString message = QString::fromUtf8(error->message);
    g_error_free(error);
    return message;
}

ApplicationInfo describe(GAppInfo *app)
{
    ApplicationInfo info;
    info.identifier = QString::fromUtf8(g_app_info_get_id(app));
    info.name = QString::fromUtf8(g_app_info_get_display_name(app));
    if (GIcon *icon = g_app_info_get_icon(app); icon && G_IS_THEMED_ICON(icon)) {
        const gchar *const *names = g_themed_icon_get_names(G_THEMED_ICON(icon));
        if (names && names[0])
            info.iconName = QString::fromUtf8(names[0]);
    }
    return info;
}

Result<void> checkFile(const QString &path)
{
    if (path.isEmpty() || !pathExists(path))
        return Error(Error::Code::NotFound,
            QStringLiteral("\"%1\" cannot be opened: it does not exist.").arg(displayPath(path)));
    return {};
}

// A name that is not UTF-8 goes in the URL as its own bytes, percent-encoded;
// QUrl::fromLocalFile would replace them and name another file.
QUrl fileUrl(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!hasUndecodableBytes(absolute))
        return QUrl::fromLocalFile(absolute);
    return QUrl::fromEncoded("file://" + encodePath(absolute).toPercentEncoding("/"));
}

} // namespace

QString ApplicationLauncher::contentTypeForExtension(const QString &extension)
{
    if (extension.isEmpty())
        return {};
    const QByteArray name = QByteArrayLiteral("file.") + extension.toUtf8();
    gboolean uncertain = false;
    GCharPtr type(g_content_type_guess(name.constData(), nullptr, 0, &uncertain));
    if (!type)
        return {};
    GCharPtr mime(g_content_type_get_mime_type(type.get()));
    return QString::fromUtf8(mime ? mime.get() : type.get());
}

QList<ApplicationInfo> ApplicationLauncher::applicationsForExtension(const QString &extension)
{
    QList<ApplicationInfo> applications;
    const QString type = contentTypeForExtension(extension);
    if (type.isEmpty())
        return applications;
    const QByteArray typeName = type.toUtf8();
    const QString preferred = defaultApplicationForExtension(extension);
    AppInfoList all(g_app_info_get_all_for_type(typeName.constData()));
    for (GList *node = all.get(); node; node = node->next) {
        const ApplicationInfo info = describe(G_APP_INFO(node->data));
        if (info.identifier.isEmpty()
            || std::any_of(applications.cbegin(), applications.cend(),
                [&](const ApplicationInfo &a) { return a.identifier == info.identifier; }))
            continue;
        if (info.identifier == preferred)
            applications.prepend(info);
        else
            applications.append(info);
    }
    return applications;
}

QString ApplicationLauncher::defaultApplicationForExtension(const QString &extension)
{
    const QString type = contentTypeForExtension(extension);
    if (type.isEmpty())
        return {};
    GObjectPtr<GAppInfo> app(g_app_info_get_default_for_type(type.toUtf8().constData(), false));
    return app ? QString::fromUtf8(g_app_info_get_id(app.get())) : QString();
}

Result<void> ApplicationLauncher::openWithDefaultApplication(const QString &path)
{
    if (Result<void> present = checkFile(path); !present.ok())
        return present;
    const QUrl url = fileUrl(path);
    // With a GUI, Qt goes through the desktop portal where there is one.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (QDesktopServices::openUrl(url))
            return {};
        return Error(
            Error::Code::Generic, QStringLiteral("No application could open \"%1\".").arg(path));
    }
    GError *error = nullptr;
    if (!g_app_info_launch_default_for_uri(url.toEncoded().constData(), nullptr, &error))
        return Error(Error::Code::Generic,
            takeError(error, QStringLiteral("No application could open \"%1\".").arg(path)));
    return {};
}

Result<void> ApplicationLauncher::openWithApplication(
    const QString &path, const QString &identifier)
{
    if (identifier.isEmpty())
        return openWithDefaultApplication(path);
    if (Result<void> present = checkFile(path); !present.ok())
        return present;
    GAppInfo *chosen = nullptr;
    AppInfoList all(g_app_info_get_all());
    const QByteArray wanted = identifier.toUtf8();
    for (GList *node = all.get(); node && !chosen; node = node->next) {
        const char *id = g_app_info_get_id(G_APP_INFO(node->data));
        if (id && wanted == id)
            chosen = G_APP_INFO(node->data);
    }
    if (!chosen)
        return Error(Error::Code::NotFound,
            QStringLiteral("The application \"%1\" is not installed.").arg(identifier));
    GObjectPtr<GFile> file(g_file_new_for_path(encodePath(path).constData()));
    GList files { file.get(), nullptr, nullptr };
    GError *error = nullptr;
    if (!g_app_info_launch(chosen, &files, nullptr, &error))
        return Error(Error::Code::Generic,
            takeError(
                error, QStringLiteral("\"%1\" could not open \"%2\".").arg(identifier, path)));
    return {};
}

} // namespace vidarium
