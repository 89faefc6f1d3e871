#define LED_PIN 3
#define BIT(n) (1 << (n))
int pins = BIT(LED_PIN);
