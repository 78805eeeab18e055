#pragma once

#include "shell_global.h"

#include <lumo/lumo_api.h>

class QGridLayout;
class QWidget;

// Functions with which a host Qt application embeds the utility's main
// window. C linkage; the standard calling convention on 32-bit Windows.
#if defined(_WIN32) && !defined(_WIN64)
#  define APT_LUMO_EXPORT(type) extern "C" SHELL_EXPORT type __stdcall
#else
#  define APT_LUMO_EXPORT(type) extern "C" SHELL_EXPORT type
#endif

// Reads Setup.xml beside the host's executable, installs the translator,
// creates the window on the first call (later calls reuse it), puts it at
// row 0, column 0 of layout and shows it. false only when the window cannot
// be created.
APT_LUMO_EXPORT(bool) APT_LUMO_OpenDialog(QWidget* parent, QGridLayout* layout, bool showTitle, int hostArg1,
                                          int hostArg2, int hostArg3);
// Large (true) or small (false) tab look. Does nothing before a successful
// APT_LUMO_OpenDialog.
APT_LUMO_EXPORT(void) APT_LUMO_ChangeSize(bool large);
// Hands one device report to the window's panel; may be called from any
// thread. Does nothing before a successful APT_LUMO_OpenDialog.
APT_LUMO_EXPORT(void) APT_LUMO_CallBack(const LUMO_DEVICE_REPORT* report);
