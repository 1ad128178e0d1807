// RST-2 fixed: a synchronous reset.
module rst2_fixed(input clk, input rst, input [3:0] d, output reg [3:0] q);
  always @(posedge clk)
    if (rst) q <= 4'd0;
    else q <= d;
endmodule
