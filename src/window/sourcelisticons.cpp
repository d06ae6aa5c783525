#include "sourcelisticons.h"

#include "model/mediaplaylist.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vidarium::SourceListIcons {

namespace {

enum class Tint { Colour, Gray, White };

QColor inkFor(Tint tint, const QColor &colour)
{
    switch (tint) {
    case Tint::Gray:
        return QColor(0x6e, 0x72, 0x78);
    case Tint::White:
        return Qt::white;
    case Tint::Colour:
        break;
    }
    return colour;
}

// The glyphs of the user's own rows: collections, folders and the trash.
void drawCollectionGlyph(QPainter &p, const QString &base, Tint tint)
{
    if (base == QLatin1String("SL_Collection") || base == QLatin1String("SL_SmartCollection")) {
        const bool smart = base == QLatin1String("SL_SmartCollection");
        const QColor ink
            = inkFor(tint, smart ? QColor(0x91, 0x41, 0xac) : QColor(0x35, 0x84, 0xe4));
        p.setPen(QPen(ink, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 2, 2);
        if (smart) {
            // A gear-like cog: criteria decide the members.
            p.setBrush(ink);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(8, 8), 3.2, 3.2);
            p.setBrush(tint == Tint::White ? QColor(0x91, 0x41, 0xac) : QColor(Qt::white));
            p.drawEllipse(QPointF(8, 8), 1.2, 1.2);
        } else {
            p.setBrush(ink);
            p.setPen(Qt::NoPen);
            for (int i = 0; i < 3; ++i)
                p.drawRect(QRectF(4, 5 + i * 2.2, 8, 1.2));
        }
    } else if (base == QLatin1String("SL_Folder")) {
        const QColor ink = inkFor(tint, QColor(0x62, 0xa0, 0xea));
        QPainterPath folder;
        folder.moveTo(1.5, 4);
        folder.lineTo(6, 4);
        folder.lineTo(7.5, 5.5);
        folder.lineTo(14.5, 5.5);
        folder.lineTo(14.5, 13.5);
        folder.lineTo(1.5, 13.5);
        folder.closeSubpath();
        p.setPen(QPen(ink, 1.3));
        p.setBrush(tint == Tint::Colour ? ink.lighter(130) : QColor(Qt::transparent));
        p.drawPath(folder);
    } else if (base.startsWith(QLatin1String("NSTrash"))) {
        const bool full = base == QLatin1String("NSTrashFull");
        const QColor ink(0x6e, 0x72, 0x78);
        p.setPen(QPen(ink, 1.3));
        p.setBrush(QColor(0xde, 0xdd, 0xda));
        p.drawRect(QRectF(3.5, 4.5, 9, 10));
        p.drawLine(QPointF(2, 4.5), QPointF(14, 4.5));
        p.drawLine(QPointF(6.5, 2.5), QPointF(9.5, 2.5));
        if (full) {
            p.setBrush(QColor(0xf6, 0xd3, 0x2d));
            p.drawRect(QRectF(5, 1, 6, 3));
        }
    }
}

void drawGlyph(QPainter &p, const QString &base, Tint tint)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1.5, 1.5, 13, 13);
    if (base == QLatin1String("SL_AllVideos")) {
        // A film frame.
        p.setPen(Qt::NoPen);
        p.setBrush(inkFor(tint, QColor(0x35, 0x84, 0xe4)));
        p.drawRoundedRect(QRectF(1, 3, 14, 10), 2, 2);
        p.setBrush(tint == Tint::White ? QColor(0x35, 0x84, 0xe4, 0) : QColor(Qt::white));
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(2.5 + i * 3.2, 4, 1.6, 1.4));
            p.drawRect(QRectF(2.5 + i * 3.2, 10.6, 1.6, 1.4));
        }
        p.drawRect(QRectF(3, 6.2, 10, 3.6));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else if (base == QLatin1String("SL_LastImport")) {
        // A clock.
        const QColor ink = inkFor(tint, QColor(0x26, 0xa2, 0x69));
        p.setPen(QPen(ink, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
        p.drawLine(QPointF(8, 8), QPointF(8, 4.5));
        p.drawLine(QPointF(8, 8), QPointF(10.5, 9.5));
    } else if (base == QLatin1String("SL_Favorites")) {
        QPainterPath star;
        for (int i = 0; i < 10; ++i) {
            const double r = (i % 2) ? 3.0 : 7.0;
            const double a = -M_PI / 2 + i * M_PI / 5;
            const QPointF pt(8 + r * std::cos(a), 8.4 + r * std::sin(a));
            i ? star.lineTo(pt) : star.moveTo(pt);
        }
        star.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(inkFor(tint, QColor(0xf5, 0xc2, 0x11)));
        p.drawPath(star);
    } else if (base == QLatin1String("SL_Missing")) {
        const QColor ink = inkFor(tint, QColor(0xe6, 0x61, 0x00));
        p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(2, 2, 9, 9));
        p.drawLine(QPointF(10, 10), QPointF(14, 14));
        p.drawText(QRectF(2, 1.5, 9, 9), Qt::AlignCenter, QStringLiteral("?"));
    } else if (base == QLatin1String("SL_Unreadable")) {
        p.setPen(Qt::NoPen);
        p.setBrush(inkFor(tint, QColor(0xe0, 0x1b, 0x24)));
        p.drawEllipse(box);
        p.setPen(QPen(tint == Tint::White ? QColor(0x6e, 0x72, 0x78) : QColor(Qt::white), 1.8,
            Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    } else {
        drawCollectionGlyph(p, base, tint);
    }
}

QIcon drawnIcon(const QString &base, Tint tint)
{
    QIcon icon;
    for (const int scale : { 1, 2 }) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.scale(scale, scale);
        QFont font = painter.font();
        font.setPixelSize(8);
        font.setBold(true);
        painter.setFont(font);
        drawGlyph(painter, base, tint);
        painter.end();
        pixmap.setDevicePixelRatio(scale);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QHash<QString, QIcon> &cache()
{
    static QHash<QString, QIcon> icons;
    return icons;
}

QHash<QString, QIcon> &customCache()
{
    static QHash<QString, QIcon> icons;
    return icons;
}

QIcon themeIcon(const QString &themeName, const QString &fallback)
{
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    const QIcon themed = QIcon::fromTheme(themeName);
    return themed.isNull() ? drawnIcon(fallback, Tint::Colour) : themed;
}

} // namespace

QIcon icon(const QString &name)
{
    const auto found = cache().constFind(name);
    if (found != cache().constEnd())
        return *found;
    QIcon made;
    if (name == QLatin1String("NSTrashFull"))
        made = themeIcon(QStringLiteral("user-trash-full"), name);
    else if (name == QLatin1String("NSTrashEmpty"))
        made = themeIcon(QStringLiteral("user-trash"), name);
    else if (name == QLatin1String("SL_Folder"))
        made = themeIcon(QStringLiteral("folder"), name);
    else if (name.endsWith(QLatin1String("Gray")))
        made = drawnIcon(name.chopped(4), Tint::Gray);
    else if (name.endsWith(QLatin1String("White")))
        made = drawnIcon(name.chopped(5), Tint::White);
    else
        made = drawnIcon(name, Tint::Colour);
    cache().insert(name, made);
    return made;
}

QIcon playlistIcon(const MediaPlaylist &playlist, bool highlighted, bool useColorIcons)
{
    const QString name = playlist.iconName(highlighted, useColorIcons);
    if (name != MediaPlaylist::CustomIconName)
        return name.isEmpty() ? QIcon() : icon(name);
    const auto found = customCache().constFind(playlist.identifier());
    if (found != customCache().constEnd())
        return *found;
    QByteArray bytes = playlist.iconData();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(4);
    QIcon custom;
    if (reader.size().isValid() && reader.size().width() <= 512 && reader.size().height() <= 512) {
        const QImage image = reader.read();
        if (!image.isNull())
            custom.addPixmap(QPixmap::fromImage(image));
    }
    if (custom.isNull())
        custom = icon(playlist.isSmart() ? QStringLiteral("SL_SmartCollection")
                                         : QStringLiteral("SL_Collection"));
    customCache().insert(playlist.identifier(), custom);
    return custom;
}

QIcon folderIcon(bool highlighted, bool useColorIcons)
{
    if (useColorIcons)
        return icon(QStringLiteral("SL_Folder"));
    return icon(highlighted ? QStringLiteral("SL_FolderWhite") : QStringLiteral("SL_FolderGray"));
}

void forgetCustomIcon(const QString &playlistIdentifier)
{
    customCache().remove(playlistIdentifier);
}

} // namespace vidarium::SourceListIcons
