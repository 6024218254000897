#include "board.h"
#include "led.h"

void led_init(void)
{
    P1DIR |= BOARD_LED_BIT;
    P1OUT &= ~BOARD_LED_BIT;
}

void led_toggle(void)
{
    P1OUT ^= BOARD_LED_BIT;
}
