#include "webupdate/main_window_settings.h"

namespace spisotek::webupdate {

void ApplyMainWindowSettings(TWebUpdate& engine, const std::string& serverHost) {
    engine.SetAgent("TWebUpdate");
    engine.SetApplyPatch(true);
    engine.SetDateFormat("dd/mm/yyyy");
    engine.SetDateSeparator('/');
    engine.SetTimeFormat("hh:nn");
    engine.SetTimeSeparator(':');
    engine.SetExtractCAB(false);
    engine.SetExistingConnection(false);
    engine.SetFTPDirectory("softupdate");
    engine.SetFTPPassive(false);
    engine.SetHost(serverHost);
    engine.SetPort(21);
    engine.SetHTTPKeepAliveAuthentication(false);
    engine.SetKeepIntermediateFiles(false);
    engine.SetLogging(false);
    TWebUpdate::SetLogFileName("WUPDATE.LOG");
    engine.LastURLEntry().SetSave(false);
    engine.LastURLEntry().SetRegRoot(lurLOCALUSER);
    engine.PostUpdateInfo().SetEnabled(false);
    engine.SetSignature("WebUpdate");
    engine.SetSignatureCheck(false);
    engine.SetTempDirectory(".");
    engine.SetUpdateType(httpUpdate);
    engine.SetUpdateConnect(wucNoConnect);
    engine.SetUpdateUpdate(wuuSilent);
    engine.SetURL("http://" + serverHost + kControlFilePath);
    engine.SetUseCRC32(false);
    engine.SetVersionCheck(vcUpdateOnly);
}

}  // namespace spisotek::webupdate
