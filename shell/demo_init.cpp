#include "shell/demo_init.h"

#include "assets/archive_extractor.h"
#include "framework/framework.h"
#include "platform/win32/win32.h"
#include "shell/demo_scenes.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"
#include "shell/music_stream.h"

void DemoInit() {
    DeviceHolder::Get()->device = Framework::Device();
    ArchiveExtractor::ExtractAll();
    DemoScenes::InitAll();
    ArchiveExtractor::DeleteExtracted();
    DemoScenes::Register();
    ShowCursor(FALSE);
    MusicStream::Open();
    MusicStream::Play();
    MusicClock::Reset();
}
