#include "platform/codecnames.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace vidarium {

namespace {

constexpr std::uint32_t fourCC(const char (&code)[5])
{
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16
        | std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint32_t(std::uint8_t(code[3]));
}

// Container tags are stored little-endian by FFmpeg ('apcn' reads as "ncpa").
constexpr std::uint32_t tagFourCC(const char (&code)[5])
{
    return std::uint32_t(std::uint8_t(code[3])) << 24 | std::uint32_t(std::uint8_t(code[2])) << 16
        | std::uint32_t(std::uint8_t(code[1])) << 8 | std::uint32_t(std::uint8_t(code[0]));
}

bool isLinearPcm(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_PCM_S16LE:
    case AV_CODEC_ID_PCM_S16BE:
    case AV_CODEC_ID_PCM_U16LE:
    case AV_CODEC_ID_PCM_U16BE:
    case AV_CODEC_ID_PCM_S8:
    case AV_CODEC_ID_PCM_U8:
    case AV_CODEC_ID_PCM_S32LE:
    case AV_CODEC_ID_PCM_S32BE:
    case AV_CODEC_ID_PCM_U32LE:
    case AV_CODEC_ID_PCM_U32BE:
    case AV_CODEC_ID_PCM_S24LE:
    case AV_CODEC_ID_PCM_S24BE:
    case AV_CODEC_ID_PCM_U24LE:
    case AV_CODEC_ID_PCM_U24BE:
    case AV_CODEC_ID_PCM_S24DAUD:
    case AV_CODEC_ID_PCM_S16LE_PLANAR:
    case AV_CODEC_ID_PCM_F32BE:
    case AV_CODEC_ID_PCM_F32LE:
    case AV_CODEC_ID_PCM_F64BE:
    case AV_CODEC_ID_PCM_F64LE:
    case AV_CODEC_ID_PCM_S8_PLANAR:
    case AV_CODEC_ID_PCM_S24LE_PLANAR:
    case AV_CODEC_ID_PCM_S32LE_PLANAR:
    case AV_CODEC_ID_PCM_S16BE_PLANAR:
    case AV_CODEC_ID_PCM_S64LE:
    case AV_CODEC_ID_PCM_S64BE:
    case AV_CODEC_ID_PCM_F16LE:
    case AV_CODEC_ID_PCM_F24LE:
        return true;
    default:
        return false;
    }
}

std::uint32_t aacFormatIdentifier(int profile)
{
    switch (profile) {
    case FF_PROFILE_AAC_HE:
        return fourCC("aach");
    case FF_PROFILE_AAC_HE_V2:
        return fourCC("aacp");
    case FF_PROFILE_AAC_LD:
        return fourCC("aacl");
    case FF_PROFILE_AAC_ELD:
        return fourCC("aace");
    default:
        return fourCC("aac ");
    }
}

QString proResName(std::uint32_t codecTag, int profile)
{
    switch (codecTag) {
    case tagFourCC("apco"):
        return QStringLiteral("Apple ProRes 422 Proxy");
    case tagFourCC("apcs"):
        return QStringLiteral("Apple ProRes 422 LT");
    case tagFourCC("apcn"):
        return QStringLiteral("Apple ProRes 422");
    case tagFourCC("apch"):
        return QStringLiteral("Apple ProRes 422 HQ");
    case tagFourCC("ap4h"):
        return QStringLiteral("Apple ProRes 4444");
    case tagFourCC("ap4x"):
        return QStringLiteral("Apple ProRes 4444 XQ");
    default:
        break;
    }
    switch (profile) {
    case FF_PROFILE_PRORES_PROXY:
        return QStringLiteral("Apple ProRes 422 Proxy");
    case FF_PROFILE_PRORES_LT:
        return QStringLiteral("Apple ProRes 422 LT");
    case FF_PROFILE_PRORES_HQ:
        return QStringLiteral("Apple ProRes 422 HQ");
    case FF_PROFILE_PRORES_4444:
        return QStringLiteral("Apple ProRes 4444");
    case FF_PROFILE_PRORES_XQ:
        return QStringLiteral("Apple ProRes 4444 XQ");
    default:
        return QStringLiteral("Apple ProRes 422");
    }
}

} // namespace

std::uint32_t audioFormatIdentifier(int codecId, int profile)
{
    const auto id = AVCodecID(codecId);
    if (isLinearPcm(id))
        return fourCC("lpcm");
    switch (id) {
    case AV_CODEC_ID_AC3:
        return fourCC("ac-3");
    case AV_CODEC_ID_ADPCM_IMA_QT:
        return fourCC("ima4");
    case AV_CODEC_ID_AAC:
        return aacFormatIdentifier(profile);
    case AV_CODEC_ID_AAC_LATM:
        return fourCC("aac ");
    case AV_CODEC_ID_MACE3:
        return fourCC("MAC3");
    case AV_CODEC_ID_MACE6:
        return fourCC("MAC6");
    case AV_CODEC_ID_PCM_MULAW:
        return fourCC("ulaw");
    case AV_CODEC_ID_PCM_ALAW:
        return fourCC("alaw");
    case AV_CODEC_ID_QDMC:
        return fourCC("QDMC");
    case AV_CODEC_ID_QDM2:
        return fourCC("QDM2");
    case AV_CODEC_ID_QCELP:
        return fourCC("Qclp");
    case AV_CODEC_ID_MP1:
        return fourCC(".mp1");
    case AV_CODEC_ID_MP2:
        return fourCC(".mp2");
    case AV_CODEC_ID_MP3:
        return fourCC(".mp3");
    case AV_CODEC_ID_ALAC:
        return fourCC("alac");
    case AV_CODEC_ID_AMR_NB:
        return fourCC("samr");
    case AV_CODEC_ID_ILBC:
        return fourCC("ilbc");
    case AV_CODEC_ID_ADPCM_IMA_WAV:
        return 0x6D730011;
    case AV_CODEC_ID_GSM_MS:
        return 0x6D730031;
    case AV_CODEC_ID_S302M:
        return fourCC("aes3");
    case AV_CODEC_ID_EAC3:
        return fourCC("ec-3");
    case AV_CODEC_ID_OPUS:
        return fourCC("opus");
    case AV_CODEC_ID_FLAC:
        return fourCC("flac");
    default:
        return 0;
    }
}

QString audioFormatName(std::uint32_t formatIdentifier)
{
    switch (formatIdentifier) {
    case fourCC("lpcm"):
        return QStringLiteral("Linear PCM");
    case fourCC("ac-3"):
        return QStringLiteral("AC-3");
    case fourCC("cac3"):
        return QStringLiteral("AC-3 (IEC 60958)");
    case fourCC("ima4"):
        return QStringLiteral("IMA 4:1 ADPCM");
    case fourCC("aac "):
        return QStringLiteral("MPEG-4 AAC");
    case fourCC("celp"):
        return QStringLiteral("MPEG-4 CELP");
    case fourCC("hvxc"):
        return QStringLiteral("MPEG-4 HVXC");
    case fourCC("twvq"):
        return QStringLiteral("MPEG-4 TwinVQ");
    case fourCC("MAC3"):
        return QStringLiteral("MACE 3:1");
    case fourCC("MAC6"):
        return QStringLiteral("MACE 6:1");
    case fourCC("ulaw"):
        return QStringLiteral("\u03BCLaw 2:1");
    case fourCC("alaw"):
        return QStringLiteral("aLaw 2:1");
    case fourCC("QDMC"):
        return QStringLiteral("QDesign");
    case fourCC("QDM2"):
        return QStringLiteral("QDesign2");
    case fourCC("Qclp"):
        return QStringLiteral("QUALCOMM PureVoice");
    case fourCC(".mp1"):
        return QStringLiteral("MPEG-1/2, Layer 1 Audio");
    case fourCC(".mp2"):
        return QStringLiteral("MPEG-1/2, Layer 2 Audio");
    case fourCC(".mp3"):
        return QStringLiteral("MPEG-1/2, Layer 3 Audio");
    case fourCC("time"):
        return QStringLiteral("IOAudio Time Stamp");
    case fourCC("midi"):
        return QStringLiteral("MIDI Stream");
    case fourCC("alac"):
        return QStringLiteral("Apple Lossless");
    case fourCC("aach"):
        return QStringLiteral("MPEG-4 High Efficiency AAC");
    case fourCC("aacl"):
        return QStringLiteral("MPEG-4 AAC Low Delay");
    case fourCC("aace"):
        return QStringLiteral("MPEG-4 AAC Enhanced Low Delay");
    case fourCC("aacf"):
        return QStringLiteral("MPEG-4 AAC Enhanced Low Delay with SBR");
    case fourCC("aacp"):
        return QStringLiteral("MPEG-4 High Efficiency AAC Version 2");
    case fourCC("aacs"):
        return QStringLiteral("MPEG-4 Spatial Audio");
    case fourCC("samr"):
        return QStringLiteral("AMR Narrow Band Speech");
    case fourCC("ilbc"):
        return QStringLiteral("Internet Low Bitrate");
    case 0x6D730011:
        return QStringLiteral("DVI/Intel IMA ADPCM - ACM code 17");
    case 0x6D730031:
        return QStringLiteral("Microsoft GSM 6.10 - ACM code 49");
    case fourCC("aes3"):
        return QStringLiteral("AES3-2003");
    default:
        return QStringLiteral("Unknown");
    }
}

QString audioCodecName(int codecId, int profile)
{
    const QString listed = audioFormatName(audioFormatIdentifier(codecId, profile));
    if (listed != QLatin1String("Unknown"))
        return listed;
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get(AVCodecID(codecId));
    if (!descriptor || AVCodecID(codecId) == AV_CODEC_ID_NONE)
        return listed;
    const QString named = cleanedFormatName(
        QString::fromUtf8(descriptor->long_name ? descriptor->long_name : descriptor->name));
    return named.trimmed().isEmpty() ? listed : named;
}

QString videoFormatName(int codecId, std::uint32_t codecTag, int profile)
{
    const auto id = AVCodecID(codecId);
    switch (id) {
    case AV_CODEC_ID_NONE:
        return {};
    case AV_CODEC_ID_H264:
        return QStringLiteral("H.264");
    case AV_CODEC_ID_HEVC:
        return QStringLiteral("HEVC");
    case AV_CODEC_ID_MPEG4:
        return QStringLiteral("MPEG-4 Video");
    case AV_CODEC_ID_PRORES:
        return proResName(codecTag, profile);
    case AV_CODEC_ID_MJPEG:
        return QStringLiteral("Photo - JPEG");
    case AV_CODEC_ID_MJPEGB:
        return QStringLiteral("Motion JPEG B");
    case AV_CODEC_ID_VP8:
        return QStringLiteral("VP8");
    case AV_CODEC_ID_VP9:
        return QStringLiteral("VP9");
    case AV_CODEC_ID_AV1:
        return QStringLiteral("AV1");
    case AV_CODEC_ID_MPEG1VIDEO:
        return QStringLiteral("MPEG-1 Video");
    case AV_CODEC_ID_MPEG2VIDEO:
        return QStringLiteral("MPEG-2 Video");
    case AV_CODEC_ID_H263:
        return QStringLiteral("H.263");
    case AV_CODEC_ID_DVVIDEO:
        return QStringLiteral("DV");
    case AV_CODEC_ID_SVQ1:
        return QStringLiteral("Sorenson Video");
    case AV_CODEC_ID_SVQ3:
        return QStringLiteral("Sorenson Video 3");
    case AV_CODEC_ID_CINEPAK:
        return QStringLiteral("Cinepak");
    case AV_CODEC_ID_QTRLE:
        return QStringLiteral("Animation");
    case AV_CODEC_ID_PNG:
        return QStringLiteral("PNG");
    case AV_CODEC_ID_DNXHD:
        return QStringLiteral("Avid DNxHD");
    default:
        break;
    }
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get(id);
    if (!descriptor)
        return {};
    return cleanedFormatName(
        QString::fromUtf8(descriptor->long_name ? descriptor->long_name : descriptor->name));
}

QString cleanedFormatName(const QString &name)
{
    QString cleaned;
    cleaned.reserve(name.size());
    for (const QChar c : name) {
        if (c.unicode() >= 0x20 && c.unicode() <= 0x7F)
            cleaned.append(c);
    }
    return cleaned;
}

} // namespace vidarium
