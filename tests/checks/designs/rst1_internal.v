// RST-1: the reset of q comes from a reset synchronizer (flip-flops); in
// test mode a multiplexer selects the reset pin (clean with --test-mode
// test_mode=1).
module rst1_internal(input clk, input rst_n, input test_mode, input [3:0] d, output reg [3:0] q);
  reg sync1, sync2;
  always @(posedge clk or negedge rst_n)
    if (!rst_n) {sync2, sync1} <= 2'b00;
    else {sync2, sync1} <= {sync1, 1'b1};
  wire arst_n = test_mode ? rst_n : sync2;
  always @(posedge clk or negedge arst_n)
    if (!arst_n) q <= 4'd0;
    else q <= d;
endmodule
