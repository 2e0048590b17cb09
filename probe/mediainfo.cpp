// SPDX-License-Identifier: GPL-3.0-or-later
#include "probe/mediainfo.h"

#include <dlfcn.h>

#include <cstddef>
#include <mutex>

namespace probe {
namespace {

// Values of MediaInfoDLL.h's enums used here (MediaInfo_Stream_Video,
// MediaInfo_Info_Text, MediaInfo_Info_Name).
constexpr int kStreamGeneral = 0;
constexpr int kStreamVideo = 1;
constexpr int kInfoText = 1;
constexpr int kInfoName = 0;

using NewFn = void* (*)();
using DeleteFn = void (*)(void*);
using OpenFn = std::size_t (*)(void*, const char*);
using CloseFn = void (*)(void*);
using GetFn = const char* (*)(void*, int stream_kind, std::size_t stream_number,
                              const char* parameter, int info_kind, int search_kind);
using OptionFn = const char* (*)(void*, const char* option, const char* value);

struct Library {
  void* module = nullptr;
  NewFn create = nullptr;
  DeleteFn destroy = nullptr;
  OpenFn open = nullptr;
  CloseFn close = nullptr;
  GetFn get = nullptr;
  OptionFn option = nullptr;
};

std::mutex& library_mutex() {
  static std::mutex m;
  return m;
}
std::string& library_file() {
  static std::string file = "libmediainfo.so.0";
  return file;
}
Library& library() {
  static Library lib;
  return lib;
}

template <class F>
bool resolve(void* module, const char* name, F& out) {
  out = reinterpret_cast<F>(dlsym(module, name));
  return out != nullptr;
}

// Loads the library when it is not loaded yet; a failed load leaves nothing
// behind, so the next call tries again. Caller holds library_mutex().
bool ensure_loaded() {
  Library& lib = library();
  if (lib.module) return true;
  void* module = dlopen(library_file().c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!module) return false;
  Library loaded;
  loaded.module = module;
  if (!resolve(module, "MediaInfoA_New", loaded.create) ||
      !resolve(module, "MediaInfoA_Delete", loaded.destroy) ||
      !resolve(module, "MediaInfoA_Open", loaded.open) ||
      !resolve(module, "MediaInfoA_Close", loaded.close) ||
      !resolve(module, "MediaInfoA_Get", loaded.get) ||
      !resolve(module, "MediaInfoA_Option", loaded.option)) {
    dlclose(module);
    return false;
  }
  lib = loaded;
  return true;
}

std::string text_of(const char* value) { return value ? std::string(value) : std::string(); }

}  // namespace

VideoFacts read_video_facts(const std::string& path) {
  std::lock_guard lock(library_mutex());
  if (!ensure_loaded()) {
    return {kMediaInfoMissingText, kMediaInfoMissingText, kMediaInfoMissingText, {}};
  }
  const Library& lib = library();
  void* handle = lib.create();
  if (!handle) return {};
  // Texts passed and returned are UTF-8 whatever the process locale is. Set
  // per handle: a process-wide call (null handle) leaves a buffer behind.
  lib.option(handle, "CharSet", "UTF-8");
  lib.open(handle, path.c_str());
  // Each value is copied at once: the library reuses its buffer per call.
  VideoFacts facts;
  facts.width = text_of(lib.get(handle, kStreamVideo, 0, "Width", kInfoText, kInfoName));
  facts.height = text_of(lib.get(handle, kStreamVideo, 0, "Height", kInfoText, kInfoName));
  facts.bit_rate = text_of(lib.get(handle, kStreamVideo, 0, "BitRate", kInfoText, kInfoName));
  facts.recorded_date = text_of(lib.get(handle, kStreamGeneral, 0, "Recorded_Date", kInfoText, kInfoName));
  lib.close(handle);
  lib.destroy(handle);
  return facts;
}

void set_mediainfo_library(const std::string& file) {
  std::lock_guard lock(library_mutex());
  library_file() = file;
  // The old module stays mapped (never dlclose'd): the library keeps static
  // state that is not made to be unloaded while the process runs.
  library() = Library{};
}

}  // namespace probe
