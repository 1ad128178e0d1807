// RST-1: a software reset from a register; held inactive when soft_en is
// held at 0 in test mode (--test-mode soft_en=0).
module rst1_soft(input clk, input rst_n, input soft_en, input [3:0] d, output reg [3:0] q, output reg kill);
  always @(posedge clk or negedge rst_n)
    if (!rst_n) kill <= 1'b0;
    else kill <= d[0];
  wire clr = kill & soft_en;
  always @(posedge clk or posedge clr)
    if (clr) q <= 4'd0;
    else q <= d;
endmodule
