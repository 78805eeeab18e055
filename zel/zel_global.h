#pragma once

#if defined(_WIN32)
#  if defined(ZEL_BUILDING_LIBRARY)
#    define ZEL_EXPORT __declspec(dllexport)
#  else
#    define ZEL_EXPORT __declspec(dllimport)
#  endif
#else
#  define ZEL_EXPORT __attribute__((visibility("default")))
#endif
