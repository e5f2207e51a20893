// The control reference's words, one entry per control in control order.
#include "manual/control_prose.h"

namespace kornmill {

const std::array<ControlProse, kControls> kControlProse = {{
    {"start",
     "Where in the sound the loop begins. The read position runs through the loop at the "
     "<a href=\"#control-4\">rate</a>, and every grain is cut from the sound at the read "
     "position."},
    {"rnd (start)",
     "Scatters each grain's start around the read position, by up to half the loop length "
     "either way at 100&nbsp;%. A little blurs rhythm and smears consonants; a lot draws each "
     "grain from anywhere in the loop."},
    {"length (loop)",
     "How much of the sound the loop spans, from its start on; the read position wraps back to "
     "the start at its end. A short loop repeats a syllable or one note. At 0&nbsp;% the read "
     "position never wraps: it travels on through the whole sound."},
    {"rnd (length)",
     "Changes the loop length at every wrap, by up to half the sound either way "
     "at 100&nbsp;%, so that the repeats of a short loop land in different places."},
    {"rate",
     "How fast the read position moves through the loop, in times the sound's own pace: 1 "
     "plays it at its pace, 0.25 stretches it to four times its length, 0 holds it on one "
     "spot (a frozen sound), negative values run backwards. The pitch of the grains does not "
     "change with it: that is <a href=\"#control-13\">pitch</a>'s work. The range shown is at "
     "the default <b>scale</b>."},
    {"scale",
     "The span of the <b>rate</b> scrollbar, given as the rate at its top: small values give "
     "fine steps around 0, large ones fast scanning. Moving it changes the rate that "
     "<b>rate</b>'s position stands for."},
    {"a->r",
     "Makes the rate follow the loudness of the sound at the read position: positive values "
     "hurry through loud passages (up to twice the rate at 100&nbsp;% on the loudest part), "
     "negative values linger there, standing still at &minus;100&nbsp;%."},
    {"freq",
     "How many grains start per second. A few per second are separate events, pulses and "
     "rhythms (the status bar adds the tempo in beats per minute from 0.332 to 5 per second); "
     "from about 20 they fuse into one sound; hundreds make dense clouds. The status bar's "
     "<i>Density</i> is this times the grain length: how many grains sound at once."},
    {"rnd (freq)",
     "Varies the rate of new grains at random, {{updates_per_second}} times a second at "
     "{{default_rate}}&nbsp;Hz: at "
     "25&nbsp;% it swings between none and twice the set frequency, which loosens a pulse into "
     "rain; above that it comes in bursts and gaps."},
    {"a->f",
     "Makes the grain frequency follow the loudness at the read position: positive values start "
     "more grains in loud passages (twice as many at 100&nbsp;%), negative values fewer (none on "
     "the loudest part at &minus;100&nbsp;%)."},
    {"length (grain)",
     "How long each grain lasts. Below about 0.02&nbsp;s grains become clicks and buzzes; "
     "0.03 to 0.1&nbsp;s keep the colour of the sound; longer grains let you hear syllables and "
     "notes inside each one, overlapping into echoes and choruses."},
    {"rnd (grain length)",
     "Lengthens each grain by a random amount, up to {{grain_rnd_factor}} times its length at "
     "100&nbsp;%; grains never get shorter."},
    {"a->l",
     "Makes each grain's length follow the loudness where it is cut: positive values lengthen "
     "grains from loud parts (up to {{grain_amp_factor}} times at 100&nbsp;%); negative values "
     "shorten grains to the set share of their length where the sound is silent and to almost "
     "nothing where it is loudest."},
    {"pitch",
     "The transposition of every grain, in semitones: the speed at which each grain plays the "
     "sound. From the top of the scrollbar: {{pitch_top}} semitones, the sound's own pitch at "
     "+0.000, then ever lower; the middle of the scrollbar holds each grain on one sample (a "
     "dull thump, no pitch). Below the middle the same pitches come back with <i>reverse</i>: "
     "every grain plays backwards."},
    {"rnd (pitch)",
     "Detunes each grain at random by a speed offset that grows with the square of the value: "
     "up to &plusmn;{{pitch_rnd_eighth}}&nbsp;% of the sound's own speed at 12.5&nbsp;% (about "
     "a semitone; a chorus), &plusmn;{{pitch_rnd_quarter}}&nbsp;% at 25&nbsp;%, "
     "&plusmn;{{pitch_rnd_full}}&nbsp;% at 100&nbsp;% (noise). The offset does not scale with "
     "the pitch, so low pitches spread wider in semitones."},
    {"a->p",
     "Changes the pitch of grains cut from loud parts: positive values raise it (at 100&nbsp;% "
     "a grain from the loudest part plays up to {{pitch_amp_factor}} times faster at the "
     "sound's own pitch), negative values lower it, down to a standstill at &minus;100&nbsp;%."},
    {"gliss",
     "Bends the pitch of every grain while it plays, in semitones over the grain: positive "
     "values slide up, negative down. Short grains chirp; long, dense ones become swarms of "
     "sliding voices."},
    {"rnd (gliss)",
     "Adds a random slide to each grain, up or down by up to {{gliss_rnd_semitones}} semitones "
     "at 100&nbsp;%, in proportion to the value."},
    {"a->g",
     "Bends grains cut from loud parts: positive values upwards (up to {{gliss_amp_up}} "
     "semitones at 100&nbsp;% on the loudest part), negative values downwards (up to "
     "{{gliss_amp_down}} semitones)."},
    {"attack",
     "How much of each grain fades in, in per cent of its length (a smooth raised-cosine "
     "curve). 0&nbsp;% starts each grain at full level: sharp, percussive, clicking with short "
     "grains."},
    {"rnd (attack)",
     "Makes each grain's fade-in faster or slower at random; the longer the grains, the wider "
     "the spread."},
    {"decay",
     "How much of each grain fades out, in per cent of its length. When attack and decay add up "
     "to more than 100&nbsp;% they overlap and the grains get quieter: the status bar's "
     "<i>A/D adj. amp</i> shows what is left of the amplitude."},
    {"rnd (decay)",
     "Moves the start of each grain's fade-out at random: soft tails on some grains, abrupt "
     "ends on others."},
    {"amp",
     "The loudness of every grain. Grains add up: many long grains at once need a lower amp to "
     "stay clear of the output's limit, where the sound is clipped."},
    {"a->a",
     "Makes each grain's loudness follow the loudness where it is cut: positive values expand "
     "(grains from quiet parts get quieter, from silent parts silent at 100&nbsp;%), negative "
     "values compress (grains from loud parts get quieter, the loudest silent at "
     "&minus;100&nbsp;%)."},
    {"pan (scatter)",
     "Scatters the grains across the stereo field at random around the pan position: at "
     "50&nbsp;% they land anywhere from left to right, above that more and more of them at the "
     "far sides. Stereo output only."},
    {"a->p (pan)",
     "Lets the loudness where a grain is cut widen or narrow its scatter, by at most one of the "
     "{{pan_steps}} pan steps: too little to hear. Stereo output only."},
    {"pan position",
     "The horizontal scrollbar below the Output group: where the grains sit in the stereo "
     "field. Patches store it, but recalling a patch leaves it where you put it. Stereo output "
     "only."},
    {"change time",
     "The scrollbar at the right of the <a href=\"patch-banks.html\">Patch banks</a> panel: how "
     "long every change takes to reach the sound. Scrollbars, patch recalls and MIDI "
     "controllers glide to their new values over this time; held Ctrl makes a scrollbar glide "
     "in {{quick_change_s}}&nbsp;s and a patch recall in {{quick_recall_s}}&nbsp;s. It belongs "
     "to no patch and changes no sound by itself."},
}};

}  // namespace kornmill
