#pragma once

#include <QtCore/qglobal.h>

#if defined(CONTROLS_BUILDING_LIBRARY)
#  define CONTROLS_EXPORT Q_DECL_EXPORT
#else
#  define CONTROLS_EXPORT Q_DECL_IMPORT
#endif
