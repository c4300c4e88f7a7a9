// The maker's peer-to-peer crypto helpers: a key pair per process, a key switch with the
// registration server, and sealed frames over a connected socket.
//
// Both ends make a key pair (X25519) and send each other the 32-byte public key; the session key
// is the SHA-256 of the shared secret. A frame is a 32-bit little-endian length, then a 12-byte
// nonce, the AES-256-GCM ciphertext and the 16-byte tag. The helpers are symmetric, so a test
// server uses the same calls.
#ifndef NVR_PLATFORM_P2P_CRYPT_H
#define NVR_PLATFORM_P2P_CRYPT_H

// Makes a fresh key pair for this process. 0 on success.
int p2p_create_keyfile();

// Exchanges public keys on the connected socket and derives the session key. 0 on success.
int p2p_cli_switch_keyfile(int sock);

// Seals length bytes into one frame and sends it. 0 when the whole frame was sent.
int p2p_send(int sock, const void *data, int length);

// Receives one frame and opens it into buffer. The plaintext length, or -1 for a failed
// receive, a frame that does not open, or one larger than size.
int p2p_recv(int sock, void *buffer, int size);

// The bytes p2p_send puts on the wire for length bytes.
int rsa_cal_ensize(int length);

#endif
