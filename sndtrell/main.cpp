// sndtrell: converts a PCM WAV file into CHIP8 assembler include text.
#include "sndtrell.h"

int main(int argc, char** argv)
{
    std::printf("============================================\n"
                "CHIP8 WAV converter, Quarnwell\n"
                "============================================\n");
    if (argc < 2) {
        std::printf("Usage: sndtrell <audio.wav> \n");
        return STATUS_USAGE;
    }

    std::printf("Loading WAV: %s\n", argv[1]);
    // A refused file still gives a sound.inc, with size 0, since build
    // scripts expect it; the status tells the refusal.
    int loaded = LoadWAV(argv[1]);
    std::printf("Writing CHIP8 sound: sound.inc\n");
    int written = WriteSoundFile(argv[1]);
    int status = loaded && written ? STATUS_CONVERTED : STATUS_FAILED;
    std::fflush(stdout);
    WaitForKey();
    return status;
}
