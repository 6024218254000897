#include <msp430x14x.h>
#include "led.h"

int main(void)
{
    WDTCTL = WDTPW | WDTHOLD; /* stop the watchdog */
    led_init();
    for (;;) {
        volatile unsigned int delay;
        led_toggle();
        for (delay = 0; delay < 50000u; ++delay)
            ;
    }
}
