// Renders every dialog of the configurator to a PNG file, for the documentation:
//   QT_QPA_PLATFORM=offscreen dspq47_screenshots <folder>

#include "configurator/CConfigAboutDlg.h"
#include "configurator/CConfiguratorDlg.h"
#include "configurator/CCtcssLookupDlg.h"
#include "configurator/CDig4CorDlg.h"
#include "configurator/CDig5ToneDlg.h"
#include "configurator/CDigitalIoLookupDlg.h"
#include "configurator/CGainSettingsDlg.h"
#include "configurator/CMorseCodeDlg.h"
#include "configurator/CPortSelectDlg.h"
#include "configurator/CTxAudioDlg.h"
#include "configurator/CVoxPhoneDlg.h"
#include "configurator/QtUserInteraction.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>

namespace {

bool Save(QWidget& window, const QDir& folder, const QString& name)
{
    window.show();
    QApplication::processEvents();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    window.hide();
    return saved;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dspQ47"));
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        return 1;

    QtUserInteraction interaction;
    UnitConfig config;
    bool ok = true;

    CConfiguratorDlg main(config, interaction);
    ok &= Save(main, folder, QStringLiteral("main"));

    // A configuration in Dual mode with relays, groups and an inactive row.
    config.toneMode = 1;
    config.monRelayMode = 2;
    config.monRelayTimeMs = 1500;
    config.pttAuxRelay = 1;
    config.repeaterMode = 1;
    for (int row : {1, 4, 7}) {
        config.toneTable[static_cast<std::size_t>(row)].relayName = "R01";
        config.toneTable[static_cast<std::size_t>(row)].relayGroup = 2;
        config.toneTable[static_cast<std::size_t>(row)].relayDurationMs = 500;
    }
    config.toneTable[2].relayName = "R02";
    config.toneTable[3].toneActive = 0;
    config.toneTable[5].ctcssTone = 12;
    config.toneTable[5].useDefaultCtcss = 1;
    main.RefreshFromRecord();
    ok &= Save(main, folder, QStringLiteral("main-dual"));

    CGainSettingsDlg gains(interaction);
    ok &= Save(gains, folder, QStringLiteral("gains"));
    CMorseCodeDlg morse(interaction);
    morse.config.morseText = "DE Q47";
    ok &= Save(morse, folder, QStringLiteral("morse-code"));
    CTxAudioDlg txAudio(interaction);
    txAudio.config.txAgc = 1;
    ok &= Save(txAudio, folder, QStringLiteral("tx-audio"));
    CVoxPhoneDlg voxPhone(interaction);
    ok &= Save(voxPhone, folder, QStringLiteral("vox-phone"));
    CDig5ToneDlg dig5(interaction);
    dig5.config.dig5ToneEnable = 1;
    ok &= Save(dig5, folder, QStringLiteral("dig5-tone"));
    CDig4CorDlg dig4(interaction);
    dig4.config.dig4CorEnable = 1;
    ok &= Save(dig4, folder, QStringLiteral("dig4-cor"));
    CPortSelectDlg port(interaction);
    ok &= Save(port, folder, QStringLiteral("port-select"));
    CCtcssLookupDlg ctcss;
    ok &= Save(ctcss, folder, QStringLiteral("ctcss-lookup"));
    CDigitalIoLookupDlg digitalIo;
    ok &= Save(digitalIo, folder, QStringLiteral("digital-io-lookup"));
    CConfigAboutDlg about;
    ok &= Save(about, folder, QStringLiteral("about"));
    return ok ? 0 : 1;
}
