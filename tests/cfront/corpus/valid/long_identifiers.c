/* Identifiers of up to 31 significant characters, which differ only near the end. */
static int counter_of_received_packets_a;
static int counter_of_received_packets_b;
typedef struct configuration_block_for_device configuration_block_for_device;

struct configuration_block_for_device {
    unsigned int maximum_transfer_unit_in_bytes;
    unsigned int minimum_transfer_unit_in_bytes;
    int abcdefghijklmnopqrstuvwxyz01234;
    int abcdefghijklmnopqrstuvwxyz01235;
};

enum state_of_the_connection_machine {
    connection_state_is_now_closed1,
    connection_state_is_now_opened2,
    connection_state_is_now_failed3
};

static int compute_the_average_packet_size(const configuration_block_for_device *block)
{
    return (int)((block->maximum_transfer_unit_in_bytes + block->minimum_transfer_unit_in_bytes) / 2);
}

int main(void)
{
    configuration_block_for_device block_with_a_reasonably_long_nm;
    enum state_of_the_connection_machine current_state_of_the_connection;
    block_with_a_reasonably_long_nm.maximum_transfer_unit_in_bytes = 1500;
    block_with_a_reasonably_long_nm.minimum_transfer_unit_in_bytes = 64;
    block_with_a_reasonably_long_nm.abcdefghijklmnopqrstuvwxyz01234 = 1;
    block_with_a_reasonably_long_nm.abcdefghijklmnopqrstuvwxyz01235 = 2;
    current_state_of_the_connection = connection_state_is_now_opened2;
    counter_of_received_packets_a = 1;
    counter_of_received_packets_b = 2;
    return compute_the_average_packet_size(&block_with_a_reasonably_long_nm) == 782
        && current_state_of_the_connection == 1
        && counter_of_received_packets_a + counter_of_received_packets_b == 3
        && block_with_a_reasonably_long_nm.abcdefghijklmnopqrstuvwxyz01235 == 2 ? 0 : 1;
}
