#ifndef BOARD_H
#define BOARD_H

/* The evaluation board shared by every example: an MSP430F149 with its LED
   on port 1, bit 0, and an 8 MHz crystal on XT2. */
#include <msp430x14x.h>

#define BOARD_LED_BIT BIT0
#define BOARD_MCLK_HZ 8000000ul

#endif
