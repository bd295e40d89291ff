#include "configurator/CConfiguratorApp.h"

#include "configurator/CConfiguratorDlg.h"

int CConfiguratorApp::Run()
{
    CConfiguratorDlg dialog(config_, interaction_);
    interaction_.RunModal(dialog);
    return 0;
}
