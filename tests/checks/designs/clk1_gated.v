// CLK-1: the register's clock is gated by an enable.
module clk1_gated(input clk, input en, input rst_n, input [3:0] d, output reg [3:0] q);
  wire gclk = clk & en;
  always @(posedge gclk or negedge rst_n)
    if (!rst_n) q <= 4'd0;
    else q <= d;
endmodule
