#ifndef LED_H
#define LED_H

/* The board's LED sits on port 1, bit 0. */
void led_init(void);
void led_toggle(void);

#endif
