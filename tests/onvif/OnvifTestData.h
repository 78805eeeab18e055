#pragma once

#include <QByteArray>

// The captured ONVIF messages in tests/onvif/data, shared by the ONVIF tests.
namespace OnvifTestData {

// The named file's bytes; a missing file ends the test run, as no case can
// mean anything without its input.
QByteArray readData(const char* pName);

} // namespace OnvifTestData
