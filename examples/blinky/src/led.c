#include <msp430x14x.h>
#include "led.h"

void led_init(void)
{
    P1DIR |= BIT0;
    P1OUT &= ~BIT0;
}

void led_toggle(void)
{
    P1OUT ^= BIT0;
}
