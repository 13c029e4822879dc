/* bare_loop.c - the yardstick of the whole program's speed: the 1000 trials of the default
 * settings played by the rules in a plain loop, one float of medals a trial, and a line a trial
 * written to Quorvantelmix.txt in the working directory. No settings file, no checks, no page:
 * what any program that plays the trials and writes them must at least do. The program is timed
 * against it as a whole process (docs/performance.md). */
#include <stdio.h>
#include <time.h>

enum { trials = 1000, ending = 7000, cap = 7500 };

int main(void) {
    const int threshold = 32767 / 240;         /* X = 240 */
    const float loss = (float)(360.0 / 260.0); /* Y = 260 */
    const int exchange = 7;                    /* Z = 7 */
    unsigned state = (unsigned)time(NULL);
    FILE* out = fopen("Quorvantelmix.txt", "wb");
    if (out == NULL) return 1;
    static char buffer[1 << 16];
    setvbuf(out, buffer, _IOFBF, sizeof buffer);
    for (int trial = 0; trial < trials; ++trial) {
        float medals = 50.0f;
        int money = -1000, bonuses = 0, since = 0, spin = 0;
        fprintf(out, "[%d/%d]", trial + 1, trials);
        for (;;) {
            state = state * 214013u + 2531011u;
            if (spin == cap) break;
            ++spin;
            ++since;
            if ((int)((state >> 16) & 0x7FFFu) <= threshold) {
                medals += 360.0f;
                ++bonuses;
                fprintf(out, " %d", since);
                since = 0;
                if (spin >= ending) break;
            } else if ((medals -= loss) < 1.0f) {
                medals += 50.0f;
                money -= 1000;
            }
        }
        const int cash = (int)medals / (5 * exchange) * 500;
        fprintf(out, " %d %d %d %d\r\n", bonuses, (int)medals, money, cash);
    }
    return fclose(out) == 0 ? 0 : 1;
}
