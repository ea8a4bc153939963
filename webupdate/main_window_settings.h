// The settings the main window gives its update engine WebUpdate1, in one
// place so that the window and the check-control command configure the
// engine alike.
#pragma once

#include <string>

#include "webupdate/web_update.h"

namespace spisotek::webupdate {

// Host of the operator's update server; the deployment's configuration names
// the real one.
inline constexpr const char* kUpdateServerHost = "localhost";
inline constexpr const char* kControlFilePath = "/softupdate/spisotek/spisotek.inf";

// Everything not set here keeps the engine's created value.
void ApplyMainWindowSettings(TWebUpdate& engine, const std::string& serverHost = kUpdateServerHost);

}  // namespace spisotek::webupdate
