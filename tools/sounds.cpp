// The game's ten sound effects, synthesised from the recipes in sound_*.cpp.
#include <filesystem>

#include "assetgen.h"
#include "wav_dsp.h"

void GenerateSounds(const std::string& out) {
    std::filesystem::path folder = std::filesystem::path(out) / "soundfx";
    auto write = [&](const char* name, const Stereo& sound) {
        WriteWave((folder / name).string(), sound);
    };
    write("click01.wav", PressClick());
    write("click1.wav", RollTicks(0));
    write("click2.wav", RollTicks(1));
    write("click02.wav", RollTicks(2));
    write("revup2.wav", EngineRise());
    write("bigskid.wav", TyreSqueal());
    write("ccrash.wav", Bump());
    write("crash2.wav", HardCrash());
    write("explode&burn.wav", ExplosionAndFire());
    write("bell1.wav", Bell());
}
