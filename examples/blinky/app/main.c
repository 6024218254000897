#include "board.h"
#include "led.h"

int main(void)
{
    WDTCTL = WDTPW | WDTHOLD; /* stop the watchdog */
    led_init();
    for (;;) {
        volatile unsigned long delay;
        led_toggle();
        for (delay = 0; delay < BOARD_MCLK_HZ / 16; ++delay)
            ;
    }
}
