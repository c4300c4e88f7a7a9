// The kernel-text parsers behind the interface utilities, each given the file to read (tests
// give sample texts; the utilities give the kernel's own files).
#ifndef NVR_NETIF_NETIF_INTERNAL_H
#define NVR_NETIF_NETIF_INTERNAL_H

#include <stddef.h>
#include <stdint.h>

// Default gateway of the interface from a "/proc/net/route" text, "%d.%d.%d.%d", or "0.0.0.0"
// when it has none. -1 (out untouched) when the file cannot be opened.
int netif_route_gateway(const char *route_path, const char *ifname, char *out, size_t size);

// Interfaces other than "lo" in a "/proc/net/dev" text; -1 when it cannot be opened.
int netif_count_interfaces(const char *dev_path);

// Receive and transmit byte counters of the interface in a "/proc/net/dev" text; -1 when the
// file cannot be read or the interface is not listed.
int netif_read_counters(const char *dev_path, const char *ifname, uint64_t *rx_bytes, uint64_t *tx_bytes);

// One traffic sample taken at now_us (microseconds): the rates since the interface's previous
// sample, as if_get_speed computes them, and the sample kept in the table.
int netif_take_sample(const char *ifname, uint64_t rx_bytes, uint64_t tx_bytes, uint64_t now_us,
                      uint64_t *rx_rate, uint64_t *tx_rate);
// Forgets every kept sample.
void netif_forget_samples();

// The IPv6 address queries over an "/proc/net/if_inet6" and an "/proc/net/ipv6_route" text.
int netif_ipv6_address(const char *if_inet6_path, int selector, const char *ifname, char *address,
                       char *netmask);
int netif_ipv6_gateway(const char *ipv6_route_path, int selector, const char *ifname, char *gateway);

#endif
