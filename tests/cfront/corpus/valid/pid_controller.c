/* A PID controller in integer arithmetic with anti-windup, driving a simulated plant. */
struct pid {
    int kp, ki, kd;
    long integral;
    int previous_error;
    long integral_limit;
};

int pid_update(struct pid *c, int setpoint, int measured)
{
    int error = setpoint - measured;
    long output;
    c->integral += error;
    if (c->integral > c->integral_limit)
        c->integral = c->integral_limit;
    else if (c->integral < -c->integral_limit)
        c->integral = -c->integral_limit;
    output = (long)c->kp * error + (long)c->ki * c->integral + (long)c->kd * (error - c->previous_error);
    c->previous_error = error;
    output /= 16;
    if (output > 1000)
        output = 1000;
    if (output < -1000)
        output = -1000;
    return (int)output;
}

int simulate(int steps)
{
    struct pid c;
    int temperature = 200, drive, i;
    c.kp = 24;
    c.ki = 2;
    c.kd = 8;
    c.integral = 0;
    c.previous_error = 0;
    c.integral_limit = 2000;
    for (i = 0; i < steps; i++) {
        drive = pid_update(&c, 500, temperature);
        temperature += drive / 20 - (temperature - 200) / 50;
    }
    return temperature;
}

int main(void)
{
    int t = simulate(300);
    return t > 450 && t < 550 ? 0 : 1;
}
