// titrator-sim: plays a piston-burette titrator with a pH/mV meter on a pseudo-terminal, so the
// program (and its tests) can talk to something real without an instrument.

#include "instrument.h"
#include "ptyline.h"

#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

const char *const Help = R"(Usage: titrator-sim [options]

Plays a titrator (piston burette with pH/mV meter) on a pseudo-terminal. The first line on
standard output is the device path to open (e.g. /dev/pts/5); then the simulator serves the
commands, each ended by CR LF:
  BF          fill the burette                      -> "Y"
  DA<vol>     dose <vol> mL ("." as decimal point)  -> "Y"
  FP / FV     measuring range pH / mV, new sample   -> "Y"
  M           one reading                           -> e.g. "  7.02 pH" or "  -123.4 mV"
  EX          leave the current menu                -> nothing
  LR          result report of the stored titration ("**********", ..., "Probennummer")
  LD          stored data of that titration ("**********", "Titration", "t[s]", rows)
  anything else                                     -> "?"
The sample is an acid titrated with NaOH (or, for carbonate, a base titrated with HCl); its
pH follows from the charge balance.

Options:
  --acid weak|strong     acetic acid (pKa 4.76, default) or hydrochloric acid
  --sample <kind>        what is in the beaker:
                           acid        the acid of --acid (default): one jump
                           phosphoric  phosphoric acid with NaOH: two rising jumps, at the
                                       equivalence volume and at twice it
                           carbonate   sodium carbonate with HCl: two falling jumps, likewise
                           buffer      acetate buffer with NaOH: no jump up to twice the
                                       equivalence volume
  --equivalence <mL>     titrant volume at the (first) equivalence point (default 10)
  --sample <mL>          sample volume in the beaker (default 50); also --sample-volume
  --titrant <mol/L>      concentration of the titrant (default 0.1)
  --sample-number <n>    number printed in the result report (default 1)
  --noise <pH>           standard deviation of the electrode noise in pH (default 0.003, 0: none)
  --slope <%>            electrode slope in percent of the ideal 59.16 mV/pH (default 100)
  --offset <mV>          electrode zero point offset at pH 7 (default 0)
  --lag <s>              the electrode follows each dose with this time constant (default 0:
                         at once); live readings lag in real time, the stored data as recorded
  --lag-jump <factor>    near the jump the time constant grows up to (1 + factor) times
                         (default 0)
  --seed <n>             seed for noise and garbage (default: from the clock)
  --delay <ms>           wait this long before each reply (default 0)
  --baud <n>             pace the output like a line of n baud, 10 bits a character (default 0: no pacing)
  --split                send replies in pieces of 1 to 3 characters with small pauses
  --garbage              send a line of random bytes before each reply
  --no-linefeed          send the last line of each reply without CR LF
  --silent               read commands but never answer
  --hangup-after <n>     hang the line up and exit after the n-th command
  --verbose              log each command received to standard error
  --help                 show this text
The simulator runs until it is terminated (SIGTERM, SIGINT) or hangs up.
)";

template<typename T>
bool parseNumber(const char *text, T &value)
{
    const char *end = text + std::strlen(text);
    const auto [ptr, error] = std::from_chars(text, end, value);
    return error == std::errc() && ptr == end;
}

struct Settings
{
    Instrument::Options instrument;
    PtyLine::Options line;
    bool weak = true;
    SampleKind kind = SampleKind::Acid;
    double equivalence = 10.0;
    double sampleVolume = 50.0;
    double titrant = 0.1;
    bool silent = false;
    bool verbose = false;
    long hangupAfter = -1;
};

// Returns 0 to run, 1 for a usage error, 2 after --help.
int parse(int argc, char *argv[], Settings &s)
{
    s.instrument.seed = std::random_device {}();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = true;
        bool takesValue = true;
        if (arg == "--help" || arg == "-h") {
            std::fputs(Help, stdout);
            return 2;
        } else if (arg == "--acid" && value) {
            ok = std::strcmp(value, "weak") == 0 || std::strcmp(value, "strong") == 0;
            s.weak = std::strcmp(value, "weak") == 0;
        } else if (arg == "--equivalence" && value) {
            ok = parseNumber(value, s.equivalence) && s.equivalence > 0;
        } else if (arg == "--sample" && value) {
            // A kind of sample, or (as before) its volume.
            ok = sampleKindFromName(value, s.kind)
                || (parseNumber(value, s.sampleVolume) && s.sampleVolume > 0);
        } else if (arg == "--sample-volume" && value) {
            ok = parseNumber(value, s.sampleVolume) && s.sampleVolume > 0;
        } else if (arg == "--titrant" && value) {
            ok = parseNumber(value, s.titrant) && s.titrant > 0;
        } else if (arg == "--sample-number" && value) {
            ok = parseNumber(value, s.instrument.sampleNumber);
        } else if (arg == "--noise" && value) {
            ok = parseNumber(value, s.instrument.noisePh) && s.instrument.noisePh >= 0;
        } else if (arg == "--slope" && value) {
            double percent = 0;
            ok = parseNumber(value, percent) && percent > 0 && percent <= 200;
            s.instrument.electrodeSlope = percent / 100;
        } else if (arg == "--offset" && value) {
            ok = parseNumber(value, s.instrument.electrodeOffset)
                && std::isfinite(s.instrument.electrodeOffset);
        } else if (arg == "--lag" && value) {
            ok = parseNumber(value, s.instrument.lagSeconds) && s.instrument.lagSeconds >= 0;
        } else if (arg == "--lag-jump" && value) {
            ok = parseNumber(value, s.instrument.lagJumpFactor) && s.instrument.lagJumpFactor >= 0;
        } else if (arg == "--seed" && value) {
            ok = parseNumber(value, s.instrument.seed);
        } else if (arg == "--delay" && value) {
            ok = parseNumber(value, s.line.delayMs) && s.line.delayMs >= 0;
        } else if (arg == "--baud" && value) {
            ok = parseNumber(value, s.line.baud) && s.line.baud >= 0;
        } else if (arg == "--hangup-after" && value) {
            ok = parseNumber(value, s.hangupAfter) && s.hangupAfter > 0;
        } else {
            takesValue = false;
            if (arg == "--split")
                s.line.split = true;
            else if (arg == "--garbage")
                s.line.garbage = true;
            else if (arg == "--no-linefeed")
                s.line.noLinefeedTail = true;
            else if (arg == "--silent")
                s.silent = true;
            else if (arg == "--verbose")
                s.verbose = true;
            else
                ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "titrator-sim: bad option or value: %s\n", arg.c_str());
            std::fputs("Try titrator-sim --help.\n", stderr);
            return 1;
        }
        if (takesValue)
            ++i;
    }
    s.instrument.sample
        = AcidSample::forEquivalence(s.weak, s.equivalence, s.sampleVolume, s.titrant);
    s.instrument.kind = s.kind;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    Settings settings;
    if (const int status = parse(argc, argv, settings))
        return status == 2 ? 0 : status;

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGHUP, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    Instrument instrument(settings.instrument);
    std::mt19937 random(settings.instrument.seed + 1);
    PtyLine line(settings.line, random);
    if (!line.open()) {
        std::perror("titrator-sim: openpty");
        return 1;
    }
    std::printf("%s\n", line.devicePath().c_str());
    std::fflush(stdout);

    long commands = 0;
    bool hangUpWhenDone = false;
    while (!g_stop) {
        for (const std::string &command : line.serve(200)) {
            if (command.empty() || hangUpWhenDone)
                continue;
            ++commands;
            if (settings.verbose)
                std::fprintf(stderr, "titrator-sim: %s\n", command.c_str());
            const auto reply = instrument.handle(command);
            if (!settings.silent)
                line.reply(reply);
            if (settings.hangupAfter > 0 && commands >= settings.hangupAfter)
                hangUpWhenDone = true;
        }
        if (hangUpWhenDone && line.idle())
            break;
    }
    line.hangUp();
    return 0;
}
